#include "runner/precision_stop.h"

#include <cstdio>
#include <limits>

#include "conclusions/precision_plan.h"
#include "messages/messages.h"
#include "results/figure_rows.h"

namespace {

// "5%", "2.5%", "35%", "190%".
std::string FormatPercent(double fraction) {
  char text[32];
  const double percent = fraction * 100;
  std::snprintf(text, sizeof text, percent < 10 ? "%.2g%%" : "%.0f%%", percent);
  return text;
}

}  // namespace

bool PrecisionStop::Reached(std::vector<Place>& places,
                            const std::vector<SweepCell>& cells,
                            Progress& progress) {
  const double target = *options_.precision;
  bool precise = true;
  for (std::size_t p = 0; p < places.size(); ++p) {
    Place& place = places[p];
    for (const SweepCell& cell : cells) {
      const std::optional<int>& threads = cell.second;
      const std::vector<RunRecord>& runs = place.records[cell];
      for (const FigureRow& row : ComparedFigures()) {
        if (!row.Compares() || givenUp_.count({p, cell, row.Key()})) continue;
        std::vector<double> values;
        for (const RunRecord& run : runs) {
          if (const std::optional<double> v = row.Value(run)) {
            values.push_back(*v);
          }
        }
        const PrecisionPlan plan =
            PlanPrecision(values, target, options_.maxRuns);
        if (plan.done) continue;
        // A figure that the runs do not give at all is not waited for.
        const bool missing = values.size() < 2 && runs.size() >= 2;
        if (!plan.givenUp && !missing) {
          precise = false;
          continue;
        }
        const int n = static_cast<int>(values.size());
        const double reached =
            plan.reached.value_or(std::numeric_limits<double>::infinity());
        const int runsNeeded = plan.runsNeeded.value_or(0);
        givenUp_.insert({p, cell, row.Key()});
        place.manifest.unreachable.push_back(
            {threads, row.Key(), reached, runsNeeded});
        progress.Done();
        PrintNote(
            (places.size() > 1 ? place.label + ": " : std::string()) +
            row.Label() + " at " +
            (cell.first ? ClientsText(*cell.first) + ", " : std::string()) +
            (threads ? ThreadsText(*threads) : std::string("default threads")) +
            ": " +
            (missing
                 ? std::string("too few runs gave it")
                 : "\u00b1" + FormatPercent(reached) + " after " +
                       std::to_string(n) + " runs; \u00b1" +
                       FormatPercent(target) +
                       (runsNeeded > 0
                            ? " would take about " +
                                  std::to_string(runsNeeded) + " runs"
                            : " is out of reach") +
                       ", over --max-runs " + std::to_string(options_.maxRuns) +
                       " even at the least spread its runs allow") +
            "; the sweep no longer waits for it");
      }
    }
  }
  return precise;
}
