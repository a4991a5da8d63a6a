// How much larger one sample of rates is than another: the Hodges–Lehmann
// estimate of their ratio, exp(median over all pairs of ln a_i - ln b_j),
// with the 95% interval that inverts the two-sided Mann–Whitney test, and
// that test's p.
#ifndef DRIVES_STATISTICS_RATIO_ESTIMATE_H_
#define DRIVES_STATISTICS_RATIO_ESTIMATE_H_

#include <optional>
#include <vector>

struct RatioEstimate {
  double ratio = 1;
  // None where the sizes allow no interval at 95% (3 runs against 3, say).
  std::optional<double> low;
  std::optional<double> high;
  double pValue = 1;
  double smallestP = 1;  // the smallest p these sample sizes can give
  bool exact = true;     // p from the exact null distribution
};

// What each side's runs are worth as independent ones where they are not
// (serial_dependence.h): the test and its interval are those of samples of
// these sizes, the share of pairs where a is larger kept. 0: as many as
// there are.
struct RunsWorth {
  double a = 0;
  double b = 0;
};

// `a` against `b`, both positive and finite with at least one value each;
// none otherwise: the maths cannot say anything of such values.
std::optional<RatioEstimate> EstimateRatio(const std::vector<double>& a,
                                           const std::vector<double>& b,
                                           RunsWorth worth = {});

// The interval of the same ratio at confidence 1 - `alpha` (at least: the
// exact test's steps), inverted from the same test; none where these run
// counts allow none, or the values are not usable.
struct RatioInterval {
  double low = 1;
  double high = 1;
};
std::optional<RatioInterval> IntervalOfRatio(const std::vector<double>& a,
                                             const std::vector<double>& b,
                                             double alpha,
                                             RunsWorth worth = {});

#endif  // DRIVES_STATISTICS_RATIO_ESTIMATE_H_
