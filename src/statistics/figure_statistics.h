// Everything a user needs to trust one figure of repeated runs: its spread,
// the confidence interval of its median and the "±" that follows from it,
// the runs far from the others, a drift over the sweep, and two clusters
// where the runs fall into two groups.
#ifndef DRIVES_STATISTICS_FIGURE_STATISTICS_H_
#define DRIVES_STATISTICS_FIGURE_STATISTICS_H_

#include <optional>
#include <vector>

#include "statistics/clusters.h"
#include "statistics/median_interval.h"
#include "statistics/summary.h"
#include "statistics/trend.h"

struct FigureStatistics {
  Summary summary;
  std::optional<MedianInterval> interval;  // from 2 runs on
  std::optional<double> precision;         // with the interval
  std::vector<int> outliers;               // their run numbers
  bool firstIsOutlier = false;             // the first run in the sweep
  std::optional<Trend> trend;              // from 4 runs on
  std::optional<TwoClusters> clusters;
};

// `values` in run order, and the run number of each.
FigureStatistics DescribeFigure(const std::vector<double>& values,
                                const std::vector<int>& runNumbers);

#endif  // DRIVES_STATISTICS_FIGURE_STATISTICS_H_
