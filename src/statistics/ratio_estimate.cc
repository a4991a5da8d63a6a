#include "statistics/ratio_estimate.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "statistics/mann_whitney.h"
#include "statistics/median_interval.h"
#include "statistics/summary.h"

namespace {

// The exact null distribution of two sample sizes, counted once: a report
// compares the same run counts many times over.
const RankSumNull& ExactNull(int m, int n) {
  static std::map<std::pair<int, int>, RankSumNull> counted;
  auto found = counted.find({m, n});
  if (found == counted.end()) {
    found = counted.emplace(std::make_pair(m, n), RankSumNull(m, n)).first;
  }
  return found->second;
}

bool Usable(const std::vector<double>& values) {
  if (values.empty()) return false;
  for (const double v : values) {
    if (!std::isfinite(v) || v <= 0) return false;
  }
  return true;
}

}  // namespace

std::optional<RatioEstimate> EstimateRatio(const std::vector<double>& a,
                                           const std::vector<double>& b) {
  if (!Usable(a) || !Usable(b)) return std::nullopt;
  std::vector<double> differences;
  differences.reserve(a.size() * b.size());
  for (const double x : a) {
    for (const double y : b) differences.push_back(std::log(x) - std::log(y));
  }
  std::sort(differences.begin(), differences.end());
  const int m = static_cast<int>(a.size());
  const int n = static_cast<int>(b.size());
  // Ties matter only to the normal approximation.
  std::optional<RankSumNull> approximate;
  if (m > kExactRankSumLimit || n > kExactRankSumLimit) {
    std::vector<double> both = a;
    both.insert(both.end(), b.begin(), b.end());
    approximate.emplace(m, n, TieTerm(both));
  }
  const RankSumNull& null = approximate ? *approximate : ExactNull(m, n);
  RatioEstimate estimate;
  estimate.ratio = std::exp(MedianOfSorted(differences));
  estimate.pValue = null.TwoSidedP(RankSumU(a, b));
  estimate.smallestP = null.SmallestP();
  estimate.exact = null.Exact();
  const int k = null.CriticalRank(1 - kConfidence);
  if (k >= 1) {
    estimate.low = std::exp(differences[k - 1]);
    estimate.high = std::exp(differences[differences.size() - k]);
  }
  return estimate;
}
