#include "statistics/outliers.h"

#include <cmath>

#include "statistics/summary.h"

namespace {

constexpr double kOutlierDeviations = 3;

}  // namespace

std::vector<std::size_t> FindOutliers(const std::vector<double>& values) {
  std::vector<std::size_t> outliers;
  if (values.size() < kFewestRunsForOutliers) return outliers;
  const double median = Median(values);
  std::vector<double> deviations;
  deviations.reserve(values.size());
  for (const double v : values) deviations.push_back(std::fabs(v - median));
  const double limit = kOutlierDeviations * kMadToSigma * Median(deviations);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (deviations[i] > limit) outliers.push_back(i);
  }
  return outliers;
}
