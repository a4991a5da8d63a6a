#include "statistics/figure_statistics.h"

#include <cmath>

#include "statistics/outliers.h"

FigureStatistics DescribeFigure(const std::vector<double>& values,
                                const std::vector<int>& runNumbers) {
  // What cannot be ordered (not a number) is left out of everything.
  std::vector<double> kept;
  std::vector<int> numbers;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (std::isnan(values[i])) continue;
    kept.push_back(values[i]);
    numbers.push_back(runNumbers[i]);
  }
  FigureStatistics s;
  s.summary = Summarize(kept);
  s.interval = IntervalOfMedian(kept);
  if (s.interval && s.summary.median != 0) {
    s.precision = Precision(*s.interval, s.summary.median);
  }
  for (const std::size_t i : FindOutliers(kept)) {
    s.outliers.push_back(numbers[i]);
    s.firstIsOutlier = s.firstIsOutlier || i == 0;
  }
  s.trend = RunOrderTrend(kept);
  s.clusters = FindTwoClusters(kept);
  return s;
}
