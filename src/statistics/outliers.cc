#include "statistics/outliers.h"

#include <algorithm>
#include <cmath>

namespace {

// The scale that makes the median absolute deviation estimate a normal
// distribution's standard deviation.
constexpr double kMadScale = 1.4826;
constexpr double kOutlierDeviations = 3;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

std::vector<std::size_t> FindOutliers(const std::vector<double>& values) {
  std::vector<std::size_t> outliers;
  if (values.size() < kFewestRunsForOutliers) return outliers;
  const double median = Median(values);
  std::vector<double> deviations;
  deviations.reserve(values.size());
  for (const double v : values) deviations.push_back(std::fabs(v - median));
  const double limit = kOutlierDeviations * kMadScale * Median(deviations);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (deviations[i] > limit) outliers.push_back(i);
  }
  return outliers;
}
