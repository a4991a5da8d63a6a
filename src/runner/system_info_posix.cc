#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "runner/system_info.h"

namespace {

constexpr char kDropCaches[] = "/proc/sys/vm/drop_caches";
constexpr char kDropEverything[] = "3\n";  // the page cache, dentries, inodes

// The value after "key" and a colon, or after "key=", in a file of such
// lines; quotes around it are removed.
std::optional<std::string> Field(const char* path, const std::string& key,
                                 char separator) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    const std::size_t at = line.find(separator, key.size());
    if (at == std::string::npos ||
        line.find_first_not_of(" \t", key.size()) != at) {
      continue;
    }
    std::string value = line.substr(at + 1);
    value.erase(0, value.find_first_not_of(" \t\""));
    value.erase(value.find_last_not_of(" \t\"") + 1);
    if (!value.empty()) return value;
  }
  return std::nullopt;
}

// /proc/self/mountinfo fields are space-separated with spaces as \040.
std::string Unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      out += static_cast<char>(
          std::strtol(field.substr(i + 1, 3).c_str(), nullptr, 8));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

// The mount that holds `path`: the longest mount point that is a prefix.
void DescribeMount(const std::string& path, MachineDescription& m) {
  std::ifstream in("/proc/self/mountinfo");
  std::string line;
  std::size_t best = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, numbers, root, point, field;
    fields >> id >> parent >> numbers >> root >> point;
    point = Unescape(point);
    // Optional fields, then "-", then the type and the source.
    while (fields >> field && field != "-") {
    }
    std::string type, source;
    fields >> type >> source;
    const bool inside = path.compare(0, point.size(), point) == 0 &&
                        (point == "/" || path.size() == point.size() ||
                         path[point.size()] == '/');
    if (inside && point.size() >= best && !type.empty()) {
      best = point.size();
      m.fileSystem = type;
      m.device = Unescape(source);
    }
  }
}

}  // namespace

MachineDescription DescribeMachine(const std::string& directory) {
  MachineDescription m;
  m.osName = Field("/etc/os-release", "PRETTY_NAME", '=');
  utsname system{};
  if (uname(&system) == 0) {
    m.osVersion = std::string(system.sysname) + " " + system.release + " " +
                  system.machine;
  }
  m.processor = Field("/proc/cpuinfo", "model name", ':');
  const long cores = sysconf(_SC_NPROCESSORS_ONLN);
  if (cores > 0) m.logicalCores = static_cast<int>(cores);
  if (const auto memory = Field("/proc/meminfo", "MemTotal", ':')) {
    m.memoryBytes = std::strtoull(memory->c_str(), nullptr, 10) * 1024;
  }
  char real[PATH_MAX];
  if (realpath(directory.c_str(), real) != nullptr) DescribeMount(real, m);
  struct statvfs space {};
  if (statvfs(directory.c_str(), &space) == 0) {
    m.totalBytes = static_cast<std::uint64_t>(space.f_blocks) * space.f_frsize;
    m.freeBytes = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
  }
  return m;
}

bool CanDropFileCache(std::string& why) {
  const int fd = open(kDropCaches, O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    why = std::string("cannot write ") + kDropCaches + " (" +
          std::strerror(errno) +
          "); dropping the file cache needs root on Linux";
    return false;
  }
  close(fd);
  return true;
}

bool DropFileCache(std::string& error) {
  sync();
  const int fd = open(kDropCaches, O_WRONLY | O_CLOEXEC);
  const bool written =
      fd >= 0 && write(fd, kDropEverything, std::strlen(kDropEverything)) ==
                     static_cast<ssize_t>(std::strlen(kDropEverything));
  const int e = errno;
  if (fd >= 0) close(fd);
  if (!written) {
    error = std::string("cannot drop the file cache: ") + std::strerror(e);
  }
  return written;
}
