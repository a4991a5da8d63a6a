#include "conclusions/first_run.h"

#include <algorithm>
#include <cmath>

#include "statistics/distributions.h"
#include "statistics/summary.h"

namespace {

// Of the first value against the others: the two-sided p of Student's t
// for one new value from their normal distribution.
double NewValueP(const std::vector<double>& logs) {
  const std::size_t m = logs.size() - 1;
  double mean = 0;
  for (std::size_t i = 1; i < logs.size(); ++i) mean += logs[i];
  mean /= static_cast<double>(m);
  double squares = 0;
  for (std::size_t i = 1; i < logs.size(); ++i) {
    squares += (logs[i] - mean) * (logs[i] - mean);
  }
  const double sd = std::sqrt(squares / static_cast<double>(m - 1));
  const double distance = std::fabs(logs[0] - mean);
  if (!(sd > 0)) return distance > 0 ? 0 : 1;
  const double t = distance / (sd * std::sqrt(1 + 1 / static_cast<double>(m)));
  return StudentTwoSided(t, static_cast<double>(m - 1));
}

}  // namespace

std::optional<FirstRun> FindFirstRunOff(const std::vector<RunValues>& columns,
                                        double minEffect, double budget) {
  // The column that holds the sweep's first run.
  std::optional<std::size_t> first;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].runs.empty()) continue;
    if (!first || columns[c].runs.front() < columns[*first].runs.front()) {
      first = c;
    }
  }
  if (!first) return std::nullopt;
  const RunValues& column = columns[*first];
  FirstRun found{*first, column.runs.front(), 1, {}};
  // Each figure's p and its offset, for those off by the effect.
  std::vector<std::pair<double, std::pair<std::size_t, double>>> offsets;
  double smallest = 1;
  std::size_t tested = 0;
  for (std::size_t f = 0; f < column.figures.size(); ++f) {
    std::vector<std::size_t> runs;
    const std::vector<double> logs = LogValues(column.figures[f], &runs);
    if (runs.empty() || runs.front() != 0 ||
        logs.size() < kFewestOtherRuns + 1) {
      continue;
    }
    ++tested;
    // On both scales, so that neither runs skewed on the log scale (normal
    // ones) nor on the plain one (log-normal ones) set it off.
    std::vector<double> plain;
    plain.reserve(logs.size());
    for (const double y : logs) plain.push_back(std::exp(y));
    const double p = std::max(NewValueP(logs), NewValueP(plain));
    smallest = std::min(smallest, p);
    const std::vector<double> rest(logs.begin() + 1, logs.end());
    const double others = Median(rest);
    // Off the others: beyond every one of them, not on a level that some
    // of them share (a phase of the machine the sweep came back to).
    const auto range = std::minmax_element(rest.begin(), rest.end());
    const bool beyond = logs[0] < *range.first || logs[0] > *range.second;
    if (beyond && std::fabs(logs[0] - others) > std::log1p(minEffect)) {
      offsets.push_back({p, {f, std::exp(logs[0] - others)}});
    }
  }
  const double scale = static_cast<double>(tested);
  found.pValue = std::min(1.0, smallest * scale);
  for (const auto& [p, offset] : offsets) {
    if (p * scale < budget) found.figures.push_back(offset);
  }
  if (found.figures.empty()) return std::nullopt;
  return found;
}
