#include "runner/probe.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <random>

namespace {

constexpr std::size_t kMemoryBytes = 32 << 20;
// The small write and read, then the file opened and closed as many times
// as make a few milliseconds: the system calls a busy machine slows first.
constexpr std::size_t kFileBytes = 4096;
constexpr int kFileCycles = 500;
// Each part is the fastest of these tries: one hiccup does not count, a
// machine kept busy does.
constexpr int kTries = 3;

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double MemoryProbe() {
  static const std::unique_ptr<char[]> from(new char[kMemoryBytes]());
  static const std::unique_ptr<char[]> to(new char[kMemoryBytes]());
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < kTries; ++i) {
    from[static_cast<std::size_t>(i) * 4096] = static_cast<char>(i);
    const Clock::time_point start = Clock::now();
    std::memcpy(to.get(), from.get(), kMemoryBytes);
    // Read back, so that the copy cannot be left out.
    volatile char sink = to[static_cast<std::size_t>(i) * 4096];
    (void)sink;
    best = std::min(best, Since(start));
  }
  return best;
}

// Writes a small file and reads it back, then opens and closes it for
// writing and for reading kFileCycles times; false when the directory
// refuses.
bool WriteAndRead(const std::string& path, char* block) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(block, 1, kFileBytes, out) == kFileBytes;
  if (std::fclose(out) != 0 || !written) return false;
  for (int i = 0; i < kFileCycles; ++i) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return false;
    const bool read =
        i > 0 || std::fread(block, 1, kFileBytes, in) == kFileBytes;
    std::fclose(in);
    if (!read) return false;
    out = std::fopen(path.c_str(), "ab");
    if (!out) return false;
    std::fclose(out);
  }
  return true;
}

double DiskProbe(const std::string& directory) {
  char block[kFileBytes] = {};
  std::random_device random;
  const std::string path =
      (std::filesystem::path(directory) /
       (".drives-report-probe-" + std::to_string(random())))
          .string();
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < kTries; ++i) {
    const Clock::time_point start = Clock::now();
    if (!WriteAndRead(path, block)) break;
    best = std::min(best, Since(start));
  }
  std::remove(path.c_str());
  return std::isinf(best) ? 0 : best;
}

}  // namespace

ProbeTimes RunProbe(const std::string& directory) {
  return {MemoryProbe(), DiskProbe(directory)};
}
