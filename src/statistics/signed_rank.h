// How much larger one set of rates is than another run for run, where the
// runs come in pairs (the same round of one sweep): the Hodges–Lehmann
// estimate of their ratio, exp(median of the Walsh averages of
// ln a_i - ln b_i), with the interval that inverts the two-sided Wilcoxon
// signed-rank test, and that test's p: exact up to 50 pairs.
#ifndef DRIVES_STATISTICS_SIGNED_RANK_H_
#define DRIVES_STATISTICS_SIGNED_RANK_H_

#include <optional>
#include <vector>

#include "statistics/ratio_estimate.h"

// Up to this many pairs the null distribution is counted exactly.
constexpr int kExactSignedRankLimit = 50;

// The null distribution of the signed-rank statistic T+ for n pairs.
class SignedRankNull {
 public:
  explicit SignedRankNull(int n);
  double LowerTail(double t) const;  // P(T+ <= t)
  double TwoSidedP(double t) const;
  // The largest k such that a T+ of k - 1 or less is significant at
  // `alpha`, two-sided; 0 when none is.
  int CriticalRank(double alpha) const;
  double SmallestP() const { return TwoSidedP(0); }
  bool Exact() const { return !tails_.empty(); }

 private:
  int n_;
  std::vector<double> tails_;  // exact: P(T+ <= t)
};

// `a[i]` against `b[i]`, both positive and finite, at least one pair; none
// otherwise.
std::optional<RatioEstimate> EstimatePairedRatio(const std::vector<double>& a,
                                                 const std::vector<double>& b);

// Its interval at confidence 1 - `alpha`; none where these pairs allow
// none.
std::optional<RatioInterval> IntervalOfPairedRatio(const std::vector<double>& a,
                                                   const std::vector<double>& b,
                                                   double alpha);

#endif  // DRIVES_STATISTICS_SIGNED_RANK_H_
