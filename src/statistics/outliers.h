// Runs far from the others: flagged, never dropped. A run lies further than
// 3 robust standard deviations (1.4826 times the median absolute deviation)
// from the median; judged from 5 runs on.
#ifndef DRIVES_STATISTICS_OUTLIERS_H_
#define DRIVES_STATISTICS_OUTLIERS_H_

#include <cstddef>
#include <vector>

constexpr std::size_t kFewestRunsForOutliers = 5;

// The positions in `values` of the outliers, in order.
std::vector<std::size_t> FindOutliers(const std::vector<double>& values);

#endif  // DRIVES_STATISTICS_OUTLIERS_H_
