#include <fcntl.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "machine/system_info.h"

namespace {

constexpr char kDropCaches[] = "/proc/sys/vm/drop_caches";
constexpr char kDropEverything[] = "3\n";  // the page cache, dentries, inodes
constexpr char kMemoryInfo[] = "/proc/meminfo";
constexpr char kUuidLinks[] = "/dev/disk/by-uuid";
// Settled: less than this is left to be written.
constexpr double kSettledKiB = 16 * 1024;
constexpr double kSettleCapSeconds = 60;
constexpr auto kSettlePoll = std::chrono::milliseconds(100);

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

// The first line of a small file in /sys, if it has one.
std::optional<std::string> FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  line.erase(line.find_last_not_of(" \t") + 1);
  if (line.empty()) return std::nullopt;
  return line;
}

// The UUID of the file system on `device`, from the links udev keeps.
std::optional<std::string> FileSystemUuid(const std::string& device) {
  std::error_code code;
  const std::filesystem::path real = std::filesystem::canonical(device, code);
  if (code) return std::nullopt;
  for (std::filesystem::directory_iterator it(kUuidLinks, code), end;
       !code && it != end; it.increment(code)) {
    std::error_code linkCode;
    if (std::filesystem::canonical(it->path(), linkCode) == real && !linkCode) {
      return it->path().filename().string();
    }
  }
  return std::nullopt;
}

// The model a block device reports, from the device itself or, for a
// partition, from the disk it is on.
std::optional<std::string> DeviceModel(const std::string& numbers) {
  const std::string block = "/sys/dev/block/" + numbers;
  if (auto model = FirstLine(block + "/device/model")) return model;
  return FirstLine(block + "/../device/model");
}

// The mount that holds `path`: the longest mount point that is a prefix.
void DescribeMount(const std::string& path, MachineDescription& m) {
  std::ifstream in("/proc/self/mountinfo");
  std::string line;
  std::size_t best = 0;
  std::string bestNumbers;
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
      bestNumbers = numbers;
    }
  }
  if (bestNumbers.empty()) return;
  if (m.device && m.device->compare(0, 5, "/dev/") == 0) {
    m.fileSystemId = FileSystemUuid(*m.device);
  }
  m.deviceModel = DeviceModel(bestNumbers);
  // Without a UUID: the device's numbers, and the file system's own ID.
  if (!m.fileSystemId) {
    struct statvfs fs {};
    char id[64] = "";
    if (statvfs(path.c_str(), &fs) == 0) {
      std::snprintf(id, sizeof id, " fsid %lx", fs.f_fsid);
    }
    m.fileSystemId = "device " + bestNumbers + id;
  }
}

}  // namespace

MachineDescription DescribeMachine(const std::string& directory) {
  MachineDescription m;
  char host[256] = "";
  if (gethostname(host, sizeof host - 1) == 0 && host[0] != '\0') {
    m.host = host;
  }
  for (const char* path : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
    std::ifstream in(path);
    std::string id;
    if (in >> id && !id.empty()) {
      m.machineId = id;
      break;
    }
  }
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

std::optional<std::string> MemoryDirectory() {
  std::error_code code;
  if (std::filesystem::is_directory("/dev/shm", code)) return "/dev/shm";
  return std::nullopt;
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

bool CanSettle(std::string& why) {
  if (Field(kMemoryInfo, "Dirty", ':')) return true;
  why = std::string("cannot read the amount of unwritten data from ") +
        kMemoryInfo;
  return false;
}

double SettleWrites() {
  const auto start = std::chrono::steady_clock::now();
  const auto waited = [&start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                         start)
        .count();
  };
  sync();
  while (waited() < kSettleCapSeconds) {
    const auto dirty = Field(kMemoryInfo, "Dirty", ':');
    const auto writeback = Field(kMemoryInfo, "Writeback", ':');
    if (!dirty || !writeback) break;
    if (std::strtod(dirty->c_str(), nullptr) +
            std::strtod(writeback->c_str(), nullptr) <
        kSettledKiB) {
      break;
    }
    // Not timed: the run starts after this.
    std::this_thread::sleep_for(kSettlePoll);
  }
  return waited();
}

std::optional<CpuTimes> ReadCpuTimes() {
  std::ifstream in("/proc/stat");
  std::string cpu;
  // user nice system idle iowait irq softirq steal, in clock ticks.
  double ticks[8] = {};
  if (!(in >> cpu) || cpu != "cpu") return std::nullopt;
  for (double& t : ticks) {
    if (!(in >> t)) return std::nullopt;
  }
  const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  if (!(tick > 0)) return std::nullopt;
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  rusage self{};
  rusage children{};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  CpuTimes times;
  times.busy = (ticks[0] + ticks[1] + ticks[2] + ticks[5] + ticks[6]) / tick;
  times.steal = ticks[7] / tick;
  times.self = seconds(self.ru_utime) + seconds(self.ru_stime);
  times.children = seconds(children.ru_utime) + seconds(children.ru_stime);
  return times;
}
