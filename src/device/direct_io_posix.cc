// Direct I/O with O_DIRECT, and the device as Linux's sysfs tells it.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "device/direct_io.h"
#include "device/drive_ceiling.h"

namespace fs = std::filesystem;

namespace {

std::string Cause(const char* what) {
  return std::string(what) + ": " + std::strerror(errno);
}

class PosixFile : public CeilingFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { close(fd_); }
  bool Write(const unsigned char* block, std::size_t bytes,
             std::string& error) override {
    std::size_t done = 0;
    while (done < bytes) {
      const ssize_t n = write(fd_, block + done, bytes - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error = Cause("write");
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    return true;
  }
  long long Read(unsigned char* block, std::size_t bytes,
                 std::string& error) override {
    ssize_t n = 0;
    do {
      n = read(fd_, block, bytes);
    } while (n < 0 && errno == EINTR);
    if (n < 0) error = Cause("read");
    return n;
  }
  bool Sync(std::string& error) override {
    if (fsync(fd_) == 0) return true;
    error = Cause("fsync");
    return false;
  }

 private:
  int fd_;
};

std::optional<std::string> FirstLine(const fs::path& path) {
  std::ifstream in(path);
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  line.erase(line.find_last_not_of(" \t\r") + 1);
  line.erase(0, line.find_first_not_of(" \t"));
  if (line.empty()) return std::nullopt;
  return line;
}

std::optional<int> Number(const fs::path& path) {
  const std::optional<std::string> line = FirstLine(path);
  if (!line) return std::nullopt;
  return std::atoi(line->c_str());
}

// What a PCIe link of `gigatransfers` per lane and `width` lanes carries,
// in MB/s: 8b/10b encoding below 8 GT/s, 128b/130b from there on.
double LinkMbS(double gigatransfers, int width) {
  const double efficiency = gigatransfers < 8 ? 0.8 : 128.0 / 130.0;
  return gigatransfers * 1e9 * efficiency * width / 8 / kMegabyte;
}

}  // namespace

AlignedBuffer::AlignedBuffer(std::size_t bytes) {
  void* memory = nullptr;
  if (posix_memalign(&memory, kAlignment, bytes) == 0) {
    data_ = static_cast<unsigned char*>(memory);
    std::memset(data_, 0, bytes);
  }
}

AlignedBuffer::~AlignedBuffer() { std::free(data_); }

std::unique_ptr<CeilingFile> CeilingFile::Open(const std::string& path,
                                               Kind kind, bool reading,
                                               bool& refused,
                                               std::string& error) {
  int flags = reading ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
  if (kind == Kind::kDirect) flags |= O_DIRECT;
  const int fd = open(path.c_str(), flags | O_CLOEXEC, 0600);
  if (fd < 0) {
    // A file system without direct I/O says EINVAL.
    refused = kind == Kind::kDirect && errno == EINVAL;
    error = refused ? "the file system refuses direct I/O (O_DIRECT)"
                    : Cause(("cannot open " + path).c_str());
    return nullptr;
  }
  return std::make_unique<PosixFile>(fd);
}

bool WriteSmallFileSynchronously(const std::string& path,
                                 const unsigned char* data, std::size_t bytes,
                                 std::string& error) {
  const int fd =
      open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = Cause("open");
    return false;
  }
  const bool ok =
      write(fd, data, bytes) == static_cast<ssize_t>(bytes) && fsync(fd) == 0;
  if (!ok) error = Cause("write and fsync");
  return close(fd) == 0 && ok;
}

DeviceFacts DescribeDevice(const std::string& directory) {
  DeviceFacts facts;
  struct stat info {};
  if (stat(directory.c_str(), &info) != 0) return facts;
  const unsigned int maj = major(info.st_dev);
  const unsigned int min = minor(info.st_dev);
  std::error_code code;
  fs::path block = fs::canonical(
      "/sys/dev/block/" + std::to_string(maj) + ":" + std::to_string(min),
      code);
  if (code) {
    // No block device: a memory or a network file system.
    std::ifstream mounts("/proc/self/mountinfo");
    const std::string numbers = std::to_string(maj) + ":" + std::to_string(min);
    for (std::string line; std::getline(mounts, line);) {
      std::istringstream fields(line);
      std::string id, parent, dev, root, point, field, type;
      fields >> id >> parent >> dev >> root >> point;
      while (fields >> field && field != "-") {
      }
      fields >> type;
      if (dev == numbers && (type == "tmpfs" || type == "ramfs")) {
        facts.memoryBacked = true;
        facts.bus = "memory";
      }
    }
    return facts;
  }
  // A partition's queue and device are its disk's.
  if (fs::exists(block / "partition", code)) block = block.parent_path();
  // A device mapper's (LVM, encryption): the first device under it.
  if (block.filename().string().rfind("dm-", 0) == 0) {
    for (fs::directory_iterator it(block / "slaves", code), end;
         !code && it != end; it.increment(code)) {
      block = fs::canonical(it->path(), code);
      if (fs::exists(block / "partition", code)) block = block.parent_path();
      break;
    }
  }
  const fs::path queue = block / "queue";
  if (const std::optional<int> r = Number(queue / "rotational")) {
    facts.rotational = *r != 0;
  }
  facts.logicalSectorBytes = Number(queue / "logical_block_size");
  facts.physicalSectorBytes = Number(queue / "physical_block_size");
  facts.model = FirstLine(block / "device" / "model");
  const std::optional<std::string> vendor =
      FirstLine(block / "device" / "vendor");
  const std::string driver =
      fs::read_symlink(block / "device" / "driver", code).filename().string();
  const std::string name = block.filename().string();
  if (name.rfind("nvme", 0) == 0) {
    facts.bus = "NVMe";
    // The controller's PCI function tells the link.
    const fs::path pci = block / "device" / "device";
    const std::optional<std::string> speed =
        FirstLine(pci / "current_link_speed");
    facts.linkWidth = Number(pci / "current_link_width");
    if (speed) facts.linkGigatransfers = std::atof(speed->c_str());
    if (facts.linkGigatransfers && facts.linkWidth &&
        *facts.linkGigatransfers > 0 && *facts.linkWidth > 0) {
      facts.linkMbS = LinkMbS(*facts.linkGigatransfers, *facts.linkWidth);
    }
  } else if (driver.find("virtio") != std::string::npos) {
    facts.bus = "virtio";
  } else if (driver.find("xen") != std::string::npos) {
    facts.bus = "Xen";
  } else if (fs::canonical(block, code).string().find("/usb") !=
             std::string::npos) {
    facts.bus = "USB";
  } else if (driver == "sd") {
    facts.bus = "SCSI";
  } else if (name.rfind("mmcblk", 0) == 0) {
    facts.bus = "MMC";
  } else if (name.rfind("loop", 0) == 0) {
    facts.bus = "loop";
  }
  // A hypervisor's disk: its speed may be the host's cache.
  const std::string who = vendor.value_or("") + " " + facts.model.value_or("");
  for (const char* mark : {"QEMU", "VMware", "VBOX", "Virtual", "Msft"}) {
    if (who.find(mark) != std::string::npos) facts.virtualDisk = true;
  }
  if (facts.bus && (*facts.bus == "virtio" || *facts.bus == "Xen")) {
    facts.virtualDisk = true;
  }
  return facts;
}
