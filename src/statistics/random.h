// Random numbers that are the same on every platform for the same seed:
// the permutation tests and the calibration's stand-in runs repeat exactly.
// (The standard library's distributions differ from one library to the
// next.)
#ifndef DRIVES_STATISTICS_RANDOM_H_
#define DRIVES_STATISTICS_RANDOM_H_

#include <cstdint>
#include <vector>

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  // 64 random bits (SplitMix64).
  std::uint64_t Next();
  // Uniform in [0, 1).
  double Uniform();
  // Uniform in [0, n).
  std::size_t Below(std::size_t n);
  // Standard normal (Box-Muller).
  double Normal();
  // `values` in a uniformly random order (Fisher-Yates).
  template <typename T>
  void Shuffle(std::vector<T>& values) {
    for (std::size_t i = values.size(); i > 1; --i) {
      std::swap(values[i - 1], values[Below(i)]);
    }
  }

 private:
  std::uint64_t state_;
};

#endif  // DRIVES_STATISTICS_RANDOM_H_
