// The two-sided Mann–Whitney test of two samples: exact up to 50 values a
// side, the normal approximation with tie correction above. The interval of
// a ratio (ratio_estimate.h) inverts this same test, so that "the interval
// excludes 1" and "p < 0.05" always agree.
#ifndef DRIVES_STATISTICS_MANN_WHITNEY_H_
#define DRIVES_STATISTICS_MANN_WHITNEY_H_

#include <vector>

// Up to this many values a side the null distribution is counted exactly.
constexpr int kExactRankSumLimit = 50;

// The null distribution of U = #(a_i > b_j) + #(a_i == b_j) / 2 for the
// sizes of two samples; `tieTerm` is the sum of t^3 - t over the groups of
// tied values of both samples together (it matters only to the normal
// approximation).
class RankSumNull {
 public:
  RankSumNull(int m, int n, double tieTerm = 0);
  // P(U <= u).
  double LowerTail(double u) const;
  // The two-sided p of an observed U.
  double TwoSidedP(double u) const;
  // The largest k such that a U of k - 1 or less (or, alike, of mn - k + 1
  // or more) is significant at `alpha`, two-sided; 0 when none is.
  int CriticalRank(double alpha) const;
  // The smallest two-sided p samples of these sizes can give.
  double SmallestP() const { return TwoSidedP(0); }
  bool Exact() const { return !counts_.empty(); }

 private:
  int m_;
  int n_;
  double sigma_ = 0;            // of the normal approximation
  std::vector<double> counts_;  // exact: arrangements with U = u
  std::vector<double> tails_;   // exact: P(U <= u)
};

// U of `a` against `b`, and the tie term of both together.
double RankSumU(const std::vector<double>& a, const std::vector<double>& b);
double TieTerm(std::vector<double> values);

// Whether any value occurs twice among `a` and `b` together.
bool HasTies(const std::vector<double>& a, const std::vector<double>& b);

// The exact two-sided p of U for two samples with ties (up to 50 values a
// side): conditional on the values observed, over every way of sharing
// them out between the two sides (the ties' mid-ranks kept), so that
// quantised rates are judged by the distribution they really have.
double TiedExactP(const std::vector<double>& a, const std::vector<double>& b);

#endif  // DRIVES_STATISTICS_MANN_WHITNEY_H_
