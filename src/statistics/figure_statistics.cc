#include "statistics/figure_statistics.h"

#include <cmath>

FigureStatistics DescribeFigure(const std::vector<double>& values,
                                const SerialDependence& dependence) {
  // What cannot be ordered (not a number) is left out of everything.
  std::vector<double> kept;
  for (const double v : values) {
    if (!std::isnan(v)) kept.push_back(v);
  }
  FigureStatistics s;
  s.summary = Summarize(kept);
  s.interval = IntervalOfMedian(kept, dependence.Worth(kept.size()));
  if (s.interval && s.summary.median != 0) {
    s.precision = Precision(*s.interval, s.summary.median);
  }
  s.trend = RunOrderTrend(kept);
  return s;
}
