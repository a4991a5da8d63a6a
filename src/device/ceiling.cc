#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "device/direct_io.h"
#include "device/drive_ceiling.h"
#include "device/interruption.h"
#include "parallel/thread_team.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// How long each transfer runs, and the most it writes: enough for the
// drive's own pace to show, little enough for the whole within 10 s.
constexpr double kTransferSeconds = 1.5;
constexpr double kSmallFilesSeconds = 1.0;
constexpr long long kMostBytes = 2LL << 30;
constexpr long long kMostBufferedBytes = 256LL << 20;
constexpr std::size_t kSmallFileBytes = 4096;
// Where fsync costs nothing (a memory file system), enough to tell.
constexpr int kMostSmallFiles = 10000;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Whether a timed transfer goes on: within its time, and not interrupted.
bool Within(Clock::time_point start, double seconds) {
  return Since(start) < seconds && !Interruption::Requested();
}

// A block of random bytes: a virtual disk or a drive that compresses or
// skips zeros must not flatter itself.
void Fill(unsigned char* block, std::size_t bytes, std::uint32_t seed) {
  std::mt19937 random(seed);
  for (std::size_t i = 0; i < bytes; ++i) {
    block[i] = static_cast<unsigned char>(random());
  }
}

std::string Scratch(const std::string& directory, const std::string& what,
                    int n) {
  std::random_device random;
  return (fs::path(directory) /
          (".drives-ceiling-" + what + "-" + std::to_string(n) + "-" +
           std::to_string(random())))
      .string();
}

// One stream's direct write of `path` for the transfer time (or `limit`
// bytes), synced; the bytes written, none on failure.
struct Transfer {
  long long bytes = 0;
  bool refused = false;
  std::string error;
};

Transfer DirectWrite(const std::string& path, long long limit) {
  Transfer t;
  std::unique_ptr<CeilingFile> file = CeilingFile::Open(
      path, CeilingFile::Kind::kDirect, false, t.refused, t.error);
  if (!file) return t;
  AlignedBuffer block(kBlockBytes);
  Fill(block.data(), kBlockBytes, static_cast<std::uint32_t>(limit));
  const Clock::time_point start = Clock::now();
  while (t.bytes < limit && Within(start, kTransferSeconds)) {
    if (!file->Write(block.data(), kBlockBytes, t.error)) return t;
    t.bytes += static_cast<long long>(kBlockBytes);
  }
  if (!file->Sync(t.error)) t.bytes = 0;
  return t;
}

Transfer DirectRead(const std::string& path) {
  Transfer t;
  std::unique_ptr<CeilingFile> file = CeilingFile::Open(
      path, CeilingFile::Kind::kDirect, true, t.refused, t.error);
  if (!file) return t;
  AlignedBuffer block(kBlockBytes);
  const Clock::time_point start = Clock::now();
  while (Within(start, kTransferSeconds)) {
    const long long got = file->Read(block.data(), kBlockBytes, t.error);
    if (got <= 0) break;
    t.bytes += got;
  }
  return t;
}

// `streams` transfers at once; the total rate in MB/s, none where one
// failed (`error` set where a stream could not be started).
template <typename Make>
std::optional<double> AtOnce(int streams, const Make& make,
                             std::string& error) {
  std::vector<Transfer> done(static_cast<std::size_t>(streams));
  std::vector<std::thread> threads;
  threads.reserve(done.size());
  const Clock::time_point start = Clock::now();
  std::string refused;
  for (int s = 0; s < streams; ++s) {
    try {
      threads.emplace_back(
          [&, s] { done[static_cast<std::size_t>(s)] = make(s); });
    } catch (const std::system_error& e) {
      refused = "cannot start stream " + std::to_string(s + 1) + " of " +
                std::to_string(streams) + ": " + e.what();
      break;
    }
  }
  for (std::thread& t : threads) t.join();
  if (!refused.empty()) {
    error = refused;
    return std::nullopt;
  }
  const double seconds = Since(start);
  long long bytes = 0;
  for (const Transfer& t : done) {
    if (!t.error.empty() || t.bytes == 0) return std::nullopt;
    bytes += t.bytes;
  }
  return static_cast<double>(bytes) / kMegabyte / seconds;
}

}  // namespace

int DefaultTeamStreams() {
  return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1,
                    kMaxThreadCount);
}

DriveCeiling MeasureCeiling(const std::string& directory, int streams) {
  // Every file it makes is removed, however it ends.
  Interruption interruption;
  DriveCeiling ceiling;
  const Clock::time_point begin = Clock::now();
  ceiling.device = DescribeDevice(directory);
  std::error_code code;
  const fs::space_info space = fs::space(directory, code);
  // Never more than a quarter of the free space.
  const long long limit =
      code ? kMostBytes
           : std::min<long long>(kMostBytes,
                                 static_cast<long long>(space.available / 4));
  std::vector<std::string> made;

  // One stream: written, then read back, past the cache.
  const std::string one = Scratch(directory, "direct", 0);
  made.push_back(one);
  Clock::time_point start = Clock::now();
  const Transfer written = DirectWrite(one, limit);
  if (written.refused) {
    ceiling.directIoRefused = written.error;
  } else if (!written.error.empty()) {
    ceiling.error = written.error;
  } else if (written.bytes > 0) {
    ceiling.directWriteMbS =
        static_cast<double>(written.bytes) / kMegabyte / Since(start);
    start = Clock::now();
    const Transfer read = DirectRead(one);
    if (read.error.empty() && read.bytes > 0) {
      ceiling.directReadMbS =
          static_cast<double>(read.bytes) / kMegabyte / Since(start);
    }
  }

  // A buffered write ended by fsync: the cache, then all of it on the drive.
  if (ceiling.error.empty()) {
    const std::string path = Scratch(directory, "fsync", 0);
    made.push_back(path);
    bool refused = false;
    std::string error;
    std::unique_ptr<CeilingFile> file = CeilingFile::Open(
        path, CeilingFile::Kind::kBuffered, false, refused, error);
    AlignedBuffer block(kBlockBytes);
    Fill(block.data(), kBlockBytes, 7);
    const long long bytes =
        std::min(kMostBufferedBytes, std::max(written.bytes, 64LL << 20));
    start = Clock::now();
    long long done = 0;
    while (file && done < bytes && !Interruption::Requested() &&
           file->Write(block.data(), kBlockBytes, error)) {
      done += static_cast<long long>(kBlockBytes);
    }
    if (file && done == bytes && file->Sync(error)) {
      ceiling.fsyncWriteMbS =
          static_cast<double>(bytes) / kMegabyte / Since(start);
    } else {
      ceiling.error = error;
    }
  }

  // Small files, each on the drive before the next: the drive's files/s.
  if (ceiling.error.empty()) {
    AlignedBuffer data(kSmallFileBytes);
    Fill(data.data(), kSmallFileBytes, 11);
    start = Clock::now();
    int files = 0;
    std::string error;
    while (Within(start, kSmallFilesSeconds) && files < kMostSmallFiles) {
      const std::string path = Scratch(directory, "file", files);
      made.push_back(path);
      if (!WriteSmallFileSynchronously(path, data.data(), kSmallFileBytes,
                                       error)) {
        break;
      }
      ++files;
    }
    if (files > 0) ceiling.syncFilesPerS = files / Since(start);
  }

  // A team's total: as many streams at once.
  if (streams > 1 && ceiling.directWriteMbS) {
    ceiling.teamStreams = streams;
    std::vector<std::string> paths;
    for (int s = 0; s < streams; ++s) {
      paths.push_back(Scratch(directory, "team", s));
      made.push_back(paths.back());
    }
    ceiling.teamDirectWriteMbS = AtOnce(
        streams,
        [&](int s) {
          return DirectWrite(paths[static_cast<std::size_t>(s)],
                             limit / streams);
        },
        ceiling.error);
    if (ceiling.teamDirectWriteMbS) {
      ceiling.teamDirectReadMbS = AtOnce(
          streams,
          [&](int s) { return DirectRead(paths[static_cast<std::size_t>(s)]); },
          ceiling.error);
    }
  }
  for (const std::string& path : made) fs::remove(path, code);
  interruption.EndIfRequested();
  ceiling.seconds = Since(begin);
  return ceiling;
}
