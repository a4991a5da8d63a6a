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

// ln a_i - ln b_j for every pair, ascending.
std::vector<double> LogDifferences(const std::vector<double>& a,
                                   const std::vector<double>& b) {
  std::vector<double> differences;
  differences.reserve(a.size() * b.size());
  for (const double x : a) {
    for (const double y : b) differences.push_back(std::log(x) - std::log(y));
  }
  std::sort(differences.begin(), differences.end());
  return differences;
}

// The null distribution of U for these samples: the exact one, counted
// once per pair of sizes, up to 50 a side; the normal one, whose tie
// correction needs the values, above.
class NullOf {
 public:
  NullOf(const std::vector<double>& a, const std::vector<double>& b) {
    const int m = static_cast<int>(a.size());
    const int n = static_cast<int>(b.size());
    if (m > kExactRankSumLimit || n > kExactRankSumLimit) {
      std::vector<double> both = a;
      both.insert(both.end(), b.begin(), b.end());
      approximate_.emplace(m, n, TieTerm(both));
    } else {
      exact_ = &ExactNull(m, n);
    }
  }
  const RankSumNull& operator*() const {
    return approximate_ ? *approximate_ : *exact_;
  }
  const RankSumNull* operator->() const { return &**this; }

 private:
  const RankSumNull* exact_ = nullptr;
  std::optional<RankSumNull> approximate_;
};

std::optional<RatioInterval> Interval(const std::vector<double>& differences,
                                      const RankSumNull& null, double alpha) {
  const int k = null.CriticalRank(alpha);
  if (k < 1) return std::nullopt;
  return RatioInterval{std::exp(differences[k - 1]),
                       std::exp(differences[differences.size() - k])};
}

}  // namespace

std::optional<RatioEstimate> EstimateRatio(const std::vector<double>& a,
                                           const std::vector<double>& b) {
  if (!Usable(a) || !Usable(b)) return std::nullopt;
  const std::vector<double> differences = LogDifferences(a, b);
  const NullOf null(a, b);
  RatioEstimate estimate;
  estimate.ratio = std::exp(MedianOfSorted(differences));
  // With ties, the exact p of the values as they are; the interval keeps
  // the untied ranks, as usual.
  estimate.pValue = null->Exact() && HasTies(a, b)
                        ? TiedExactP(a, b)
                        : null->TwoSidedP(RankSumU(a, b));
  estimate.smallestP = null->SmallestP();
  estimate.exact = null->Exact();
  if (const auto interval = Interval(differences, *null, 1 - kConfidence)) {
    estimate.low = interval->low;
    estimate.high = interval->high;
  }
  return estimate;
}

std::optional<RatioInterval> IntervalOfRatio(const std::vector<double>& a,
                                             const std::vector<double>& b,
                                             double alpha) {
  if (!Usable(a) || !Usable(b)) return std::nullopt;
  return Interval(LogDifferences(a, b), *NullOf(a, b), alpha);
}
