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
  for (const SessionRun& run : runs) {
    for (const SessionFigure& f : run.figures) {
      const Key key{run.role, run.clients, run.threads, f.figure};
      values[key].push_back(f.value);
      units[key] = f.unit;
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
