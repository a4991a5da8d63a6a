#include "conclusions/outlier_runs.h"

#include <algorithm>
#include <cmath>

#include "statistics/distributions.h"
#include "statistics/summary.h"

std::optional<std::size_t> GrubbsOutlier(const std::vector<double>& logs,
                                         double alpha) {
  const std::size_t n = logs.size();
  const double size = static_cast<double>(n);
  double mean = 0;
  for (const double y : logs) mean += y;
  mean /= size;
  double squares = 0;
  std::size_t far = 0;
  for (std::size_t i = 0; i < n; ++i) {
    squares += (logs[i] - mean) * (logs[i] - mean);
    if (std::fabs(logs[i] - mean) > std::fabs(logs[far] - mean)) far = i;
  }
  const double sd = std::sqrt(squares / (size - 1));
  if (!(sd > 0)) return std::nullopt;
  const double g = std::fabs(logs[far] - mean) / sd;
  // The critical value from Student's t at alpha / n, two-sided.
  const double t = StudentTwoSidedQuantile(alpha / size, size - 2);
  const double critical =
      (size - 1) / std::sqrt(size) * std::sqrt(t * t / (size - 2 + t * t));
  if (!(g > critical)) return std::nullopt;
  return far;
}

std::vector<OutlierRun> FindOutlierRuns(
    const std::vector<RunValues>& columns, double minEffect, double budget,
    const std::vector<FigureAt>& clustered) {
  std::vector<OutlierRun> found;
  const double alpha = budget / static_cast<double>(std::max<std::size_t>(
                                    1, FiguresJudged(columns)));
  // The sweep's first run is judged on its own.
  int first = 0;
  for (const RunValues& column : columns) {
    if (!column.runs.empty() && (first == 0 || column.runs.front() < first)) {
      first = column.runs.front();
    }
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const RunValues& column = columns[c];
    for (std::size_t f = 0; f < column.figures.size(); ++f) {
      const bool skipped = std::any_of(
          clustered.begin(), clustered.end(), [c, f](const FigureAt& at) {
            return at.column == c && at.figure == f;
          });
      if (skipped) continue;
      std::vector<std::size_t> runs;
      std::vector<double> logs = LogValues(column.figures[f], &runs);
      if (!runs.empty() && column.runs[runs.front()] == first) {
        logs.erase(logs.begin());
        runs.erase(runs.begin());
      }
      if (logs.size() < kFewestRunsForOutlier) continue;
      // On both scales, so that neither runs skewed on the log scale
      // (normal ones) nor on the plain one (log-normal ones) set it off.
      std::vector<double> plain;
      plain.reserve(logs.size());
      for (const double y : logs) plain.push_back(std::exp(y));
      const std::optional<std::size_t> at = GrubbsOutlier(logs, alpha);
      if (!at || GrubbsOutlier(plain, alpha) != at) continue;
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
