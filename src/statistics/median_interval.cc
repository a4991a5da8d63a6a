#include "statistics/median_interval.h"

#include <algorithm>
#include <cmath>

#include "statistics/distributions.h"
#include "statistics/summary.h"

namespace {

// The ranks kept for later calls, by n.
constexpr int kRanksKept = 1000;
// Beyond so many runs the binomial's tail is the normal's (to well within
// the interval's own rounding), so that a count from a hostile history file
// costs no more than a real one.
constexpr int kExactRuns = 10000;

// P(Binomial(n, 1/2) = i).
double Term(int n, int i) {
  return std::exp(std::lgamma(n + 1.0) - std::lgamma(i + 1.0) -
                  std::lgamma(n - i + 1.0) - n * std::log(2.0));
}

// P(Binomial(n, 1/2) <= k - 1), by the normal with continuity correction.
double NormalTail(int n, int k) {
  return NormalCdf((k - 0.5 - n / 2.0) / (std::sqrt(n) / 2));
}

}  // namespace

double OrderCoverage(int n, int k) {
  if (n > kExactRuns) return 1 - 2 * NormalTail(n, k);
  // log C(n, i) - n log 2, summed for i < k.
  double below = 0;
  for (int i = 0; i < k; ++i) below += Term(n, i);
  return 1 - 2 * below;
}

int OrderRank(int n) {
  // Counted once per n: plans ask for every n up to hundreds, often.
  static std::vector<int> ranks;
  if (n >= 0 && static_cast<std::size_t>(n) < ranks.size() && ranks[n] > 0) {
    return ranks[n];
  }
  int k = 1;  // the range of the runs, whatever its coverage
  if (n > kExactRuns) {
    k = std::max(1, static_cast<int>(n / 2.0 + 0.5 -
                                     NormalQuantile((1 + kConfidence) / 2) *
                                         std::sqrt(n) / 2));
    while (k > 1 && OrderCoverage(n, k) < kConfidence) --k;
    while (2 * (k + 1) <= n && OrderCoverage(n, k + 1) >= kConfidence) ++k;
    return k;
  }
  // The tail summed as k grows: linear in n.
  double below = Term(n, 0);  // P(B <= k - 1) for k = 1
  while (2 * (k + 1) <= n && 1 - 2 * (below + Term(n, k)) >= kConfidence) {
    below += Term(n, k);
    ++k;
  }
  if (n >= 0 && n < kRanksKept) {
    if (ranks.size() <= static_cast<std::size_t>(n)) ranks.resize(n + 1, 0);
    ranks[n] = k;
  }
  return k;
}

std::optional<MedianInterval> IntervalOfMedian(std::vector<double> values,
                                               double worth) {
  const int n = static_cast<int>(values.size());
  if (n < 2) return std::nullopt;
  std::sort(values.begin(), values.end());
  if (worth > 0 && worth < n) {
    // The k-th of m independent values lies at about k / (m + 1) of them.
    const int m = std::max(2, static_cast<int>(worth));
    const int km = OrderRank(m);
    const int k = std::clamp(
        static_cast<int>(static_cast<double>(km) * (n + 1) / (m + 1)), 1,
        (n + 1) / 2);
    return MedianInterval{values[k - 1], values[n - k], OrderCoverage(m, km),
                          k};
  }
  const int k = OrderRank(n);
  return MedianInterval{values[k - 1], values[n - k], OrderCoverage(n, k), k};
}

double Precision(const MedianInterval& interval, double median) {
  return (interval.high - interval.low) / 2 / std::fabs(median);
}

double RunsForPrecision(const std::vector<double>& values, double target) {
  constexpr double kHalfWidthPerSigma = 1.96 * 1.2533;
  std::vector<double> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  if (sorted.empty() || !(target > 0)) return HUGE_VAL;
  const double centre = MedianOfSorted(sorted);
  if (centre == 0) return HUGE_VAL;
  std::vector<double> deviations;
  deviations.reserve(sorted.size());
  for (const double v : sorted) deviations.push_back(std::fabs(v - centre));
  std::sort(deviations.begin(), deviations.end());
  const double sigma = kMadToSigma * MedianOfSorted(deviations);
  const double ratio =
      kHalfWidthPerSigma * sigma / (target * std::fabs(centre));
  return std::ceil(ratio * ratio);
}
