// How large a level change of a series must be to count: the |t| that
// binary segmentation's best split exceeds with a given probability where
// nothing changes, from a table simulated for each series length, and how
// much wider where neighbouring values are alike.
#ifndef DRIVES_STATISTICS_CHANGE_THRESHOLDS_H_
#define DRIVES_STATISTICS_CHANGE_THRESHOLDS_H_

#include <cstddef>

// The |t| a level change of `n` values exceeds with probability `alpha`
// where nothing changes: the simulated table's, between its levels on
// their logs.
double ChangeThreshold(std::size_t n, double alpha);

// How much wider that |t| is where the `n` values are an AR(1) series of
// lag-1 correlation `rho` (0 to 0.9): the simulated ratio of the two at
// one chance in a hundred, on the lines between the table's counts and
// correlations.
double DependenceWidening(std::size_t n, double rho);

// The same for the |t| of a least-squares slope over `n` values.
double SlopeWidening(std::size_t n, double rho);

#endif  // DRIVES_STATISTICS_CHANGE_THRESHOLDS_H_
