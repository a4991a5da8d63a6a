#include "statistics/change_points.h"

#include <cmath>

#include "statistics/change_thresholds.h"

namespace {

// Spreads below this (a millionth, the six digits a figure is printed
// with) are the same as none.
constexpr double kFinestSpread = 1e-6;

}  // namespace

LevelChange BestChange(const std::vector<double>& values, std::size_t begin,
                       std::size_t end) {
  LevelChange best;
  const std::size_t n = end - begin;
  if (n < 2 * kFewestPerLevel) return best;
  // Running sums from the first value, so that every split costs the same
  // and the squares keep the small differences.
  const double origin = values[begin];
  double total = 0;
  double totalSquares = 0;
  for (std::size_t i = begin; i < end; ++i) {
    total += values[i] - origin;
    totalSquares += (values[i] - origin) * (values[i] - origin);
  }
  double sum = 0;
  double squares = 0;
  for (std::size_t k = 1; k < n; ++k) {
    const double y = values[begin + k - 1] - origin;
    sum += y;
    squares += y * y;
    if (k < kFewestPerLevel || n - k < kFewestPerLevel) continue;
    const double before = static_cast<double>(k);
    const double after = static_cast<double>(n - k);
    const double low = sum / before;
    const double high = (total - sum) / after;
    const double within =
        (squares - sum * low) + (totalSquares - squares - (total - sum) * high);
    const double spread =
        std::sqrt(std::max(within, 0.0) / static_cast<double>(n - 2));
    const double t = (high - low) / (std::max(spread, kFinestSpread) *
                                     std::sqrt(1 / before + 1 / after));
    if (std::fabs(t) > std::fabs(best.t)) best = {begin + k, t};
  }
  return best;
}

namespace {

// The change points of values[begin, end) at `alpha`, by binary
// segmentation: the best split where it passes, then each side likewise.
void Segment(const std::vector<double>& values, std::size_t begin,
             std::size_t end, double alpha, double widen,
             std::vector<std::size_t>& points) {
  const LevelChange change = BestChange(values, begin, end);
  if (change.at == 0 ||
      !(std::fabs(change.t) > widen * ChangeThreshold(end - begin, alpha))) {
    return;
  }
  Segment(values, begin, change.at, alpha, widen, points);
  points.push_back(change.at);
  Segment(values, change.at, end, alpha, widen, points);
}

}  // namespace

std::vector<std::size_t> ChangePoints(const std::vector<double>& values,
                                      double alpha, double widen) {
  std::vector<std::size_t> points;
  Segment(values, 0, values.size(), alpha, widen, points);
  return points;
}
