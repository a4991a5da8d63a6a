// A drift over the order of the runs: Spearman's rank correlation of each
// value with its run's place in the sweep, and whether it is significant at
// 5%. A significant one says the drive or machine changed during the sweep.
#ifndef DRIVES_STATISTICS_TREND_H_
#define DRIVES_STATISTICS_TREND_H_

#include <optional>
#include <vector>

struct Trend {
  double rho = 0;     // -1 (falling) .. 1 (rising)
  double pValue = 1;  // two-sided
  bool Significant() const;
};

// The trend of `values`, given in run order; none below 4 values, which
// can never show one.
std::optional<Trend> RunOrderTrend(const std::vector<double>& values);

#endif  // DRIVES_STATISTICS_TREND_H_
