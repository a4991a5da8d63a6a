// How much larger one set of rates is than another run for run, where the
// runs come in pairs (the same round of one sweep): the geometric mean of
// the pairs' ratios, exp(mean of ln a_i - ln b_i), with Student's t of
// those logs for its interval and p. (An exact sign-flip or signed-rank
// test cannot go below 2 / 2^n: 8 pairs could never pass a family of 15
// figures.)
#ifndef DRIVES_STATISTICS_PAIRED_RATIO_H_
#define DRIVES_STATISTICS_PAIRED_RATIO_H_

#include <optional>
#include <vector>

#include "statistics/ratio_estimate.h"

// `a[i]` against `b[i]`, both positive and finite, at least two pairs;
// none otherwise. Where the pairs are worth fewer independent ones
// (`worth`, below their count: their ratios in phases that last), its
// error and degrees of freedom are those of so many.
std::optional<RatioEstimate> EstimatePairedRatio(const std::vector<double>& a,
                                                 const std::vector<double>& b,
                                                 double worth = 0);

// Its interval at confidence 1 - `alpha`; none where the pairs allow none.
std::optional<RatioInterval> IntervalOfPairedRatio(const std::vector<double>& a,
                                                   const std::vector<double>& b,
                                                   double alpha,
                                                   double worth = 0);

#endif  // DRIVES_STATISTICS_PAIRED_RATIO_H_
