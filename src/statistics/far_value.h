// How far one value lies from the others, in units of their spread: its
// distance from their mean over their standard deviation (the deleted
// residual), so that a far value cannot widen the yardstick it is
// measured with.
#ifndef DRIVES_STATISTICS_FAR_VALUE_H_
#define DRIVES_STATISTICS_FAR_VALUE_H_

#include <cstddef>
#include <vector>

// |values[index] - mean of the others| over their standard deviation;
// infinite where the others do not vary and it differs from them. At
// least three values.
double FarDistance(const std::vector<double>& values, std::size_t index);

// The index of the value farthest from the median of all.
std::size_t FarthestFromMedian(const std::vector<double>& values);

#endif  // DRIVES_STATISTICS_FAR_VALUE_H_
