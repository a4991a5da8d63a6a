#include "files/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace {

std::string Reason() {
  return errno != 0 ? std::strerror(errno) : "write failed";
}

// Errors name `target`, the file the user asked for.
bool WriteTo(const std::string& path, const std::string& target,
             std::ios::openmode mode,
             const std::function<void(std::ostream&)>& write,
             std::string& error) {
  errno = 0;
  std::ofstream out(path, mode);
  if (!out) {
    error = "cannot create \"" + target + "\": " + Reason();
    return false;
  }
  write(out);
  out.close();
  if (out.fail()) {
    error = "cannot write \"" + target + "\": " + Reason();
    return false;
  }
  return true;
}

// "<path>.tmp-1a2b3c4d": beside the target, so that the rename stays on one
// file system.
std::string TemporaryName(const std::string& path) {
  std::random_device random;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".tmp-%08x", random());
  return path + suffix;
}

}  // namespace

bool WriteWholeFile(const std::string& path,
                    const std::function<void(std::ostream&)>& write,
                    std::string& error) {
  std::error_code code;
  const auto status = std::filesystem::status(path, code);
  if (std::filesystem::exists(status) &&
      !std::filesystem::is_regular_file(status)) {
    if (std::filesystem::is_directory(status)) {
      error = "cannot write \"" + path + "\": it is a directory";
      return false;
    }
    return WriteTo(path, path, std::ios::out, write, error);
  }
  const std::string temporary = TemporaryName(path);
  bool written = false;
  try {
    written =
        WriteTo(temporary, path, std::ios::out | std::ios::trunc, write, error);
  } catch (const std::exception& e) {
    // The temporary never outlives its writer.
    error = "cannot write \"" + path + "\": " + e.what();
  }
  if (!written) {
    std::filesystem::remove(temporary, code);
    return false;
  }
  // A file that is there keeps its mode (a private report stays private); a
  // new one gets the user's umask.
  if (std::filesystem::is_regular_file(status)) {
    std::filesystem::permissions(temporary, status.permissions(), code);
  }
  std::filesystem::rename(temporary, path, code);
  if (code) {
    error = "cannot replace \"" + path + "\": " + code.message();
    std::filesystem::remove(temporary, code);
    return false;
  }
  return true;
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}
