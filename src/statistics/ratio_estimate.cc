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

// The sizes the test takes: each side's worth, where less than its count,
// rounded and at least one run.
int Size(std::size_t count, double worth) {
  const int n = static_cast<int>(count);
  if (!(worth > 0) || worth >= static_cast<double>(n)) return n;
  return std::max(1, static_cast<int>(std::lround(worth)));
}

// The null distribution of U for these samples: the exact one, counted
// once per pair of sizes, up to 50 a side; the normal one, whose tie
// correction needs the values, above. Where the runs are worth fewer, the
// distribution of those sizes, without ties.
class NullOf {
 public:
  NullOf(const std::vector<double>& a, const std::vector<double>& b,
         RunsWorth worth) {
    const int m = Size(a.size(), worth.a);
    const int n = Size(b.size(), worth.b);
    scale_ = static_cast<double>(m) * n /
             (static_cast<double>(a.size()) * static_cast<double>(b.size()));
    if (m > kExactRankSumLimit || n > kExactRankSumLimit) {
      std::vector<double> both = a;
      both.insert(both.end(), b.begin(), b.end());
      approximate_.emplace(m, n, scale_ < 1 ? 0 : TieTerm(both));
    } else {
      exact_ = &ExactNull(m, n);
    }
  }
  const RankSumNull& operator*() const {
    return approximate_ ? *approximate_ : *exact_;
  }
  const RankSumNull* operator->() const { return &**this; }
  // The share of the test's pairs to the samples': below 1 where the runs
  // are worth fewer.
  double Scale() const { return scale_; }

 private:
  const RankSumNull* exact_ = nullptr;
  std::optional<RankSumNull> approximate_;
  double scale_ = 1;
};

std::optional<RatioInterval> Interval(const std::vector<double>& differences,
                                      const NullOf& null, double alpha) {
  int k = null->CriticalRank(alpha);
  if (k < 1) return std::nullopt;
  // The same share of the samples' pairs, rounded outwards.
  if (null.Scale() < 1) {
    k = std::max(1, static_cast<int>(std::floor(k / null.Scale())));
  }
  return RatioInterval{std::exp(differences[k - 1]),
                       std::exp(differences[differences.size() - k])};
}

}  // namespace

std::optional<RatioEstimate> EstimateRatio(const std::vector<double>& a,
                                           const std::vector<double>& b,
                                           RunsWorth worth) {
  if (!Usable(a) || !Usable(b)) return std::nullopt;
  const std::vector<double> differences = LogDifferences(a, b);
  const NullOf null(a, b, worth);
  RatioEstimate estimate;
  estimate.ratio = std::exp(MedianOfSorted(differences));
  // With ties, the exact p of the values as they are; the interval keeps
  // the untied ranks, as usual. Runs worth fewer: U scaled to their sizes,
  // the nearer tail rounded outwards.
  const double u = RankSumU(a, b);
  if (null.Scale() < 1) {
    const double pairs = static_cast<double>(differences.size());
    const double nearer = std::min(u, pairs - u) * null.Scale();
    estimate.pValue = null->TwoSidedP(std::ceil(nearer));
  } else {
    estimate.pValue =
        null->Exact() && HasTies(a, b) ? TiedExactP(a, b) : null->TwoSidedP(u);
  }
  estimate.smallestP = null->SmallestP();
  estimate.exact = null->Exact();
  if (const auto interval = Interval(differences, null, 1 - kConfidence)) {
    estimate.low = interval->low;
    estimate.high = interval->high;
  }
  return estimate;
}

std::optional<RatioInterval> IntervalOfRatio(const std::vector<double>& a,
                                             const std::vector<double>& b,
                                             double alpha, RunsWorth worth) {
  if (!Usable(a) || !Usable(b)) return std::nullopt;
  return Interval(LogDifferences(a, b), NullOf(a, b, worth), alpha);
}
