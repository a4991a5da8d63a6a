#include "statistics/step_detection.h"

#include <cmath>

#include "statistics/summary.h"

namespace {

// The median of [begin, end) of `all`.
double MedianOfRange(const std::vector<double>& all, std::size_t begin,
                     std::size_t end) {
  std::vector<double> values;
  for (std::size_t i = begin; i < end; ++i) values.push_back(all[i]);
  return Median(values);
}

// +1 where `value` lies above `level` by the minimum effect or more, -1
// where below by as much, else 0.
int Side(double value, double level, double minEffect) {
  if (!(level > 0) || !(value > 0)) return 0;
  const double size = std::log(value / level);
  if (std::fabs(size) < std::log1p(minEffect)) return 0;
  return size > 0 ? 1 : -1;
}

}  // namespace

std::vector<Step> FindSteps(const std::vector<double>& medians,
                            double minEffect) {
  std::vector<Step> steps;
  std::size_t begin = 0;  // where the present level starts
  for (std::size_t at = 1; at + kFewestSessionsAfterStep <= medians.size();) {
    const double level = MedianOfRange(medians, begin, at);
    const int side = Side(medians[at], level, minEffect);
    std::size_t end = at;
    while (side != 0 && end < medians.size() &&
           Side(medians[end], level, minEffect) == side) {
      ++end;
    }
    if (end - at < kFewestSessionsAfterStep) {
      ++at;
      continue;
    }
    const double after = MedianOfRange(medians, at, end);
    steps.push_back({at, after / level});
    begin = at;
    at = end;
  }
  return steps;
}
