#include "statistics/random.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586477;

}  // namespace

std::uint64_t Random::Next() {
  std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

double Random::Uniform() {
  // The top 53 bits: every double in [0, 1) a multiple of 2^-53.
  return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

std::size_t Random::Below(std::size_t n) {
  return static_cast<std::size_t>(Uniform() * static_cast<double>(n));
}

double Random::Normal() {
  const double u = 1 - Uniform();  // in (0, 1]
  const double v = Uniform();
  return std::sqrt(-2 * std::log(u)) * std::cos(kTwoPi * v);
}
