#include "conclusions/outlier_runs.h"

#include <algorithm>
#include <cmath>

#include "conclusions/far_runs.h"
#include "statistics/far_value.h"
#include "statistics/summary.h"

std::optional<std::size_t> FarOutlier(const std::vector<double>& logs,
                                      double alpha, Tails tails) {
  const std::size_t far = FarthestFromMedian(logs);
  if (!(FarDistance(logs, far) >
        FarThreshold(FarRun::kFarthest, tails, logs.size(), alpha))) {
    return std::nullopt;
  }
  return far;
}

std::vector<OutlierRun> FindOutlierRuns(
    const std::vector<RunValues>& columns, double minEffect, double budget,
    const std::vector<FigureAt>& clustered) {
  std::vector<OutlierRun> found;
  const double alpha = budget / static_cast<double>(std::max<std::size_t>(
                                    1, FiguresJudged(columns)));
  // The sweep's first run is judged on its own.
  const int first = FirstRunNumber(columns);
  const std::vector<FarthestRun> farthest = FarthestLaterRuns(columns);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const RunValues& column = columns[c];
    for (std::size_t f = 0; f < column.figures.size(); ++f) {
      const bool skipped = std::any_of(
          clustered.begin(), clustered.end(), [c, f](const FigureAt& at) {
            return at.column == c && at.figure == f;
          });
      if (skipped) continue;
      std::vector<std::size_t> runs;
      const std::vector<double> logs = LaterLogs(column, f, first, &runs);
      if (logs.size() < kFewestRunsForOutlier) continue;
      // On both scales, so that neither runs skewed on the log scale
      // (normal ones) nor on the plain one (log-normal ones) set it off.
      std::vector<double> plain;
      plain.reserve(logs.size());
      for (const double y : logs) plain.push_back(std::exp(y));
      const Tails tails = TailsOf(farthest, {c, f});
      const std::optional<std::size_t> at = FarOutlier(logs, alpha, tails);
      if (!at || FarOutlier(plain, alpha, tails) != at) continue;
      std::vector<double> others = logs;
      others.erase(others.begin() + static_cast<std::ptrdiff_t>(*at));
      const double median = Median(std::move(others));
      if (std::fabs(logs[*at] - median) > std::log1p(minEffect)) {
        found.push_back(
            {{c, f}, column.runs[runs[*at]], std::exp(logs[*at] - median)});
      }
    }
  }
  return found;
}
