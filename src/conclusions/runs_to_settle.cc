#include "conclusions/runs_to_settle.h"

#include <cmath>

#include "statistics/distributions.h"

namespace {

// The Hodges-Lehmann estimate's standard error over a difference of means'
// on normal runs: 1 / sqrt(3 / pi).
constexpr double kRankEfficiency = 1.0233;

// The pooled standard deviation of both samples' logs, and its degrees of
// freedom.
std::pair<double, int> PooledSpread(const Samples& samples) {
  double squares = 0;
  int degrees = 0;
  for (const auto* values : {&samples.values, &samples.baseline}) {
    if (values->size() < 2) continue;
    double mean = 0;
    for (const double v : *values) mean += std::log(v);
    mean /= static_cast<double>(values->size());
    for (const double v : *values) {
      squares += (std::log(v) - mean) * (std::log(v) - mean);
    }
    degrees += static_cast<int>(values->size()) - 1;
  }
  return {degrees > 0 ? std::sqrt(squares / degrees) : 0, degrees};
}

double Alpha(std::size_t familySize) {
  return kFalseDiscoveryRate /
         static_cast<double>(familySize > 0 ? familySize : 1);
}

}  // namespace

double SettlingChance(int n, double effect, double sigma,
                      std::size_t familySize, double minEffect) {
  const double alpha = Alpha(familySize);
  // Fewer runs can never reach that level: the smallest p of n against n
  // is 2 / C(2n, n).
  const double smallestP =
      2 * std::exp(2 * std::lgamma(n + 1.0) - std::lgamma(2.0 * n + 1));
  if (!(smallestP < alpha)) return 0;
  const double z = NormalQuantile(1 - alpha / 2);
  const double error = sigma * std::sqrt(2.0 / n) * kRankEfficiency;
  const double size = std::fabs(effect);
  const double band = std::log1p(minEffect);
  if (!(error > 0)) return 1;
  // A difference: the interval clear of 0; the same: inside the band.
  const double differs = NormalCdf(size / error - z);
  const double same = size < band ? NormalCdf((band - size) / error - z) : 0;
  return std::min(1.0, differs + same);
}

Settling RunsToSettle(const Samples& samples, const RatioEstimate& estimate,
                      std::size_t familySize, double minEffect) {
  const auto [sigma, degrees] = PooledSpread(samples);
  Settling settling;
  if (degrees < 1) return settling;
  // The spread's 80% upper bound.
  const double upper =
      sigma * std::sqrt(degrees / ChiSquareQuantile(0.2, degrees));
  const double effect = std::log(estimate.ratio);
  // The chance grows with n: the fewest by halving the range.
  if (SettlingChance(kMostRunsToSettle, effect, upper, familySize, minEffect) <
      kSettlingPower) {
    settling.never = true;
    return settling;
  }
  int low = 1;
  int high = kMostRunsToSettle;
  while (low < high) {
    const int middle = (low + high) / 2;
    if (SettlingChance(middle, effect, upper, familySize, minEffect) >=
        kSettlingPower) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  settling.runs = low;
  return settling;
}
