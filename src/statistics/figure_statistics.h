// What describes one figure of repeated runs: its spread, the confidence
// interval of its median and the "±" that follows from it, and its
// correlation with the order of the runs. What is claimed about the runs
// (outliers, clusters, a drift) is the rules' (conclusions/).
#ifndef DRIVES_STATISTICS_FIGURE_STATISTICS_H_
#define DRIVES_STATISTICS_FIGURE_STATISTICS_H_

#include <optional>
#include <vector>

#include "statistics/median_interval.h"
#include "statistics/serial_dependence.h"
#include "statistics/summary.h"
#include "statistics/trend.h"

struct FigureStatistics {
  Summary summary;
  std::optional<MedianInterval> interval;  // from 2 runs on
  std::optional<double> precision;         // with the interval
  std::optional<Trend> trend;              // from 4 runs on
};

// `values` in run order, with the dependence of the input's runs: its
// interval counts them as what they are worth (median_interval.h).
FigureStatistics DescribeFigure(const std::vector<double>& values,
                                const SerialDependence& dependence = {});

#endif  // DRIVES_STATISTICS_FIGURE_STATISTICS_H_
