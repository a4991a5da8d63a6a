// A distribution-free confidence interval for the median of repeated runs,
// from their order statistics: [x(k), x(n-k+1)], with the coverage it
// really has. Below 6 runs no interval reaches 95%: the range of the runs
// is given with its true coverage, never labelled 95%.
#ifndef DRIVES_STATISTICS_MEDIAN_INTERVAL_H_
#define DRIVES_STATISTICS_MEDIAN_INTERVAL_H_

#include <optional>
#include <vector>

// The confidence every interval and test aims for.
constexpr double kConfidence = 0.95;

struct MedianInterval {
  double low = 0;
  double high = 0;
  double coverage = 0;  // the probability that it holds the true median
  int k = 0;            // its ends are the k-th lowest and highest values
};

// 1 - 2 P(Binomial(n, 1/2) <= k - 1): the coverage of [x(k), x(n-k+1)].
double OrderCoverage(int n, int k);

// The k of the interval at n >= 2 runs: the largest whose coverage reaches
// kConfidence, else 1 (the range).
int OrderRank(int n);

// The interval of `values` (any order); none below 2 values. Where the
// values are worth fewer independent ones (`worth`, below their count:
// runs in phases that last), its ends are the order statistics at the
// places that the interval of so many independent values would take, and
// its coverage theirs.
std::optional<MedianInterval> IntervalOfMedian(std::vector<double> values,
                                               double worth = 0);

// Half the interval's width over the median: the "±" a user reads.
double Precision(const MedianInterval& interval, double median);

// About how many runs would bring the precision within `target`, from the
// spread of `values` (a robust standard deviation, 1.4826 times their
// median absolute deviation): for many runs the interval's half-width is
// 1.96 times the median's standard error, about 1.2533 sigma / sqrt(n).
// Infinity where it cannot be told (a median of 0).
double RunsForPrecision(const std::vector<double>& values, double target);

#endif  // DRIVES_STATISTICS_MEDIAN_INTERVAL_H_
