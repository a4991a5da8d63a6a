#include "statistics/far_value.h"

#include <cmath>
#include <limits>

#include "statistics/summary.h"

double FarDistance(const std::vector<double>& values, std::size_t index) {
  const double others = static_cast<double>(values.size() - 1);
  double mean = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != index) mean += values[i];
  }
  mean /= others;
  double squares = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != index) squares += (values[i] - mean) * (values[i] - mean);
  }
  const double sd = std::sqrt(squares / (others - 1));
  const double distance = std::fabs(values[index] - mean);
  if (!(sd > 0)) {
    return distance > 0 ? std::numeric_limits<double>::infinity() : 0;
  }
  return distance / sd;
}

std::size_t FarthestFromMedian(const std::vector<double>& values) {
  const double median = Median(values);
  std::size_t far = 0;
  for (std::size_t i = 1; i < values.size(); ++i) {
    if (std::fabs(values[i] - median) > std::fabs(values[far] - median)) {
      far = i;
    }
  }
  return far;
}
