// How large a level change of a series must be to count: the |t| that
// binary segmentation's best split exceeds with a given probability where
// nothing changes, from a table simulated for each series length.
#ifndef DRIVES_STATISTICS_CHANGE_THRESHOLDS_H_
#define DRIVES_STATISTICS_CHANGE_THRESHOLDS_H_

#include <cstddef>

// The |t| a level change of `n` values exceeds with probability `alpha`
// where nothing changes: the simulated table's, between its levels on
// their logs.
double ChangeThreshold(std::size_t n, double alpha);

#endif  // DRIVES_STATISTICS_CHANGE_THRESHOLDS_H_
