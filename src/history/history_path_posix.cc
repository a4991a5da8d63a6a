#include <cstdlib>
#include <string>

#include "history/history_store.h"

std::optional<std::string> DefaultHistoryPath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  // XDG data paths must be absolute: a relative one is not used.
  if (data && data[0] == '/') {
    return std::string(data) + "/drives/history.sqlite";
  }
  const char* home = std::getenv("HOME");
  if (!home || !*home) return std::nullopt;
  return std::string(home) + "/.local/share/drives/history.sqlite";
}
