// The few file operations the ceiling needs, one implementation per
// platform (direct_io_posix.cc, direct_io_win32.cc): a file that bypasses
// the cache, a buffered file, and a small synchronous file.
#ifndef DRIVES_DEVICE_DIRECT_IO_H_
#define DRIVES_DEVICE_DIRECT_IO_H_

#include <cstddef>
#include <memory>
#include <string>

// Transfers in blocks of this size, at addresses aligned to kAlignment: what
// every sector size up to 4 KiB accepts.
constexpr std::size_t kBlockBytes = 1 << 20;
constexpr std::size_t kAlignment = 4096;

// A buffer aligned for direct I/O, freed with the object.
class AlignedBuffer {
 public:
  explicit AlignedBuffer(std::size_t bytes);
  ~AlignedBuffer();
  AlignedBuffer(const AlignedBuffer&) = delete;
  AlignedBuffer& operator=(const AlignedBuffer&) = delete;
  unsigned char* data() const { return data_; }

 private:
  unsigned char* data_ = nullptr;
};

class CeilingFile {
 public:
  enum class Kind { kDirect, kBuffered };
  // Creates (or with `reading`, opens) `path`; none with `error` set, and
  // `refused` where the file system will not do direct I/O.
  static std::unique_ptr<CeilingFile> Open(const std::string& path, Kind kind,
                                           bool reading, bool& refused,
                                           std::string& error);
  virtual ~CeilingFile() = default;
  // Whole blocks only; false with the cause at the first failure.
  virtual bool Write(const unsigned char* block, std::size_t bytes,
                     std::string& error) = 0;
  // The bytes read, 0 at the end; none on failure.
  virtual long long Read(unsigned char* block, std::size_t bytes,
                         std::string& error) = 0;
  // Written data on the device.
  virtual bool Sync(std::string& error) = 0;
};

// Creates `path`, writes `bytes` of `data`, syncs it and closes it.
bool WriteSmallFileSynchronously(const std::string& path,
                                 const unsigned char* data, std::size_t bytes,
                                 std::string& error);

#endif  // DRIVES_DEVICE_DIRECT_IO_H_
