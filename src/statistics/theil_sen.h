// A robust slope: the median of the slopes between every two points
// (Theil and Sen), which one odd run cannot tilt.
#ifndef DRIVES_STATISTICS_THEIL_SEN_H_
#define DRIVES_STATISTICS_THEIL_SEN_H_

#include <vector>

// The slope of `y` over `x` (as long as `y`); 0 where no two x differ.
double TheilSenSlope(const std::vector<double>& x,
                     const std::vector<double>& y);

#endif  // DRIVES_STATISTICS_THEIL_SEN_H_
