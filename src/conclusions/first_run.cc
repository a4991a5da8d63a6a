#include "conclusions/first_run.h"

#include <algorithm>
#include <cmath>

#include "conclusions/far_runs.h"
#include "statistics/far_value.h"
#include "statistics/summary.h"

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
  FirstRun found{*first, column.runs.front(), {}};
  // The figures where the first run is among the values, with them.
  std::vector<std::pair<std::size_t, std::vector<double>>> tested;
  for (std::size_t f = 0; f < column.figures.size(); ++f) {
    std::vector<std::size_t> runs;
    std::vector<double> logs = LogValues(column.figures[f], &runs);
    if (!runs.empty() && runs.front() == 0 &&
        logs.size() >= kFewestOtherRuns + 1) {
      tested.emplace_back(f, std::move(logs));
    }
  }
  // Each figure's distance over its thresholds: alone, at half the budget
  // shared by the figures; and together, at a quarter of it each, which
  // their median passes with at most half the budget whatever the figures
  // share (more than half of them must pass: Markov's inequality).
  // The noise of the figures' later runs tells whose thresholds hold.
  const std::vector<FarthestRun> farthest = FarthestLaterRuns(columns);
  const double alone =
      budget / 2 / static_cast<double>(std::max<std::size_t>(1, tested.size()));
  std::vector<double> together;
  std::vector<bool> passed;
  for (const auto& [f, logs] : tested) {
    // On both scales, so that neither runs skewed on the log scale (normal
    // ones) nor on the plain one (log-normal ones) set it off.
    std::vector<double> plain;
    plain.reserve(logs.size());
    for (const double y : logs) plain.push_back(std::exp(y));
    const double distance =
        std::min(FarDistance(logs, 0), FarDistance(plain, 0));
    const Tails tails = TailsOf(farthest, {*first, f});
    passed.push_back(distance >
                     FarThreshold(FarRun::kFirst, tails, logs.size(), alone));
    together.push_back(distance / FarThreshold(FarRun::kFirst, tails,
                                               logs.size(), budget / 4));
  }
  const bool most = !together.empty() && Median(together) > 1;
  for (std::size_t i = 0; i < tested.size(); ++i) {
    if (!passed[i] && !(most && together[i] > 1)) continue;
    const std::vector<double>& logs = tested[i].second;
    const std::vector<double> rest(logs.begin() + 1, logs.end());
    const double others = Median(rest);
    // Off the others: beyond every one of them, not on a level that some
    // of them share (a phase of the machine the sweep came back to).
    const auto range = std::minmax_element(rest.begin(), rest.end());
    const bool beyond = logs[0] < *range.first || logs[0] > *range.second;
    if (beyond && std::fabs(logs[0] - others) > std::log1p(minEffect)) {
      found.figures.emplace_back(tested[i].first, std::exp(logs[0] - others));
    }
  }
  if (found.figures.empty()) return std::nullopt;
  return found;
}
