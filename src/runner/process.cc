#include "runner/process.h"

#include <filesystem>

std::optional<std::string> FindCompanion(const std::string& name) {
  std::error_code code;
  if (const std::optional<std::string> self = SelfPath()) {
    const std::filesystem::path beside =
        std::filesystem::path(*self).parent_path() / name;
    if (std::filesystem::is_regular_file(beside, code)) return beside.string();
  }
  return FindOnPath(name);
}
