// Runs that are not independent: a machine's slow phases last several runs,
// so that neighbours in run order are alike. Measured as the lag-1
// autocorrelation pooled over many series (the figures of one input, each
// in run order), corrected for its bias in short series, tested by
// permuting the run order, and turned into what the runs are worth as
// independent ones.
#ifndef DRIVES_STATISTICS_SERIAL_DEPENDENCE_H_
#define DRIVES_STATISTICS_SERIAL_DEPENDENCE_H_

#include <cstddef>
#include <vector>

// A series needs this many runs for its neighbours to count.
constexpr std::size_t kFewestRunsForDependence = 6;
// The most dependence taken: beyond it a series says too little to tell.
constexpr double kMostDependence = 0.9;

struct SerialDependence {
  std::size_t series = 0;  // the series that counted
  double lagOne = 0;       // pooled lag-1 autocorrelation, as measured
  double rho = 0;          // bias-corrected, in [0, kMostDependence]
  double pValue = 1;       // of none, one-sided, by permuting run order
  // What `runs` consecutive runs are worth as independent ones: as many
  // as give a mean the variance that the mean of `runs` of an AR(1) series
  // has (for many runs, runs (1 - rho) / (1 + rho)); `runs` itself where
  // there is no dependence.
  double Worth(std::size_t runs) const;
};

// The lag-1 autocorrelation `lagOne` of series of mean length `n`
// corrected for its bias (E[r] is about rho - (1 + 3 rho) / n), from 0 to
// kMostDependence.
double CorrectedLagOne(double lagOne, double n);

// Of `groups` of series: each group's series share one run order (one
// column's figures), in that order, with values on the log scale (a value
// that is not finite is left out). The permutation test moves each group's
// runs together, so that what the figures share stays shared; `seed` makes
// it repeat.
SerialDependence MeasureDependence(
    const std::vector<std::vector<std::vector<double>>>& groups,
    unsigned long long seed = 1);

#endif  // DRIVES_STATISTICS_SERIAL_DEPENDENCE_H_
