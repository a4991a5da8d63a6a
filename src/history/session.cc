#include "history/session.h"

#include <map>
#include <tuple>

#include "statistics/median_interval.h"
#include "statistics/summary.h"

std::vector<SessionFigureSummary> Summarise(
    const std::vector<SessionRun>& runs) {
  using Key = std::tuple<std::string, std::optional<int>, std::optional<int>,
                         std::string>;
  std::map<Key, std::vector<double>> values;
  std::map<Key, std::string> units;
  // The control's runs by client count, thread count and round.
  std::map<std::tuple<std::optional<int>, std::optional<int>, int>,
           const SessionRun*>
      controls;
  for (const SessionRun& run : runs) {
    if (run.role == kControlRole && run.round > 0) {
      controls[{run.clients, run.threads, run.round}] = &run;
    }
    for (const SessionFigure& f : run.figures) {
      const Key key{run.role, run.clients, run.threads, f.figure};
      values[key].push_back(f.value);
      units[key] = f.unit;
    }
  }
  for (const SessionRun& run : runs) {
    if (run.role != kDriveRole || run.round <= 0) continue;
    const auto control = controls.find({run.clients, run.threads, run.round});
    if (control == controls.end()) continue;
    for (const SessionFigure& f : run.figures) {
      for (const SessionFigure& c : control->second->figures) {
        if (c.figure != f.figure || !(c.value > 0)) continue;
        const Key key{kControlledRole, run.clients, run.threads, f.figure};
        values[key].push_back(f.value / c.value);
        units[key] = "times";
      }
    }
  }
  std::vector<SessionFigureSummary> summaries;
  for (const auto& [key, of] : values) {
    SessionFigureSummary s;
    std::tie(s.role, s.clients, s.threads, s.figure) = key;
    s.unit = units[key];
    s.runs = static_cast<int>(of.size());
    s.median = Median(of);
    if (const auto interval = IntervalOfMedian(of)) {
      s.low = interval->low;
      s.high = interval->high;
    }
    summaries.push_back(s);
  }
  return summaries;
}
