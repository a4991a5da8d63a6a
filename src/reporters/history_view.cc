#include "reporters/history_view.h"

#include <set>

std::vector<double> SessionValues(const StoredSession& session,
                                  const std::optional<int>& threads,
                                  const FigureRow& row,
                                  std::vector<int>* numbers) {
  const std::string key = row.Key();
  std::vector<double> values;
  for (const SessionRun& run : session.runs) {
    if (run.threads != threads) continue;
    for (const SessionFigure& figure : run.figures) {
      if (figure.figure != key) continue;
      values.push_back(figure.value);
      if (numbers) numbers->push_back(run.number);
    }
  }
  return values;
}

HistoryView MakeHistoryView(const std::string& drive,
                            const std::vector<StoredSession>& sessions,
                            double minEffect) {
  HistoryView view;
  view.drive = drive;
  view.minEffect = minEffect;
  std::set<std::optional<int>> counts;
  for (const StoredSession& session : sessions) {
    view.sessions.push_back(session.summary);
    for (const SessionRun& run : session.runs) counts.insert(run.threads);
  }
  for (const FigureRow& row : ComparedFigures()) {
    if (!row.Compares()) continue;
    for (const std::optional<int>& threads : counts) {
      HistorySeries series{threads, row, {}, {}};
      std::vector<double> medians;
      for (std::size_t s = 0; s < sessions.size(); ++s) {
        const std::vector<double> values =
            SessionValues(sessions[s], threads, row);
        if (values.empty()) continue;
        series.points.push_back({s, DescribeFigure(values)});
        medians.push_back(series.points.back().statistics.summary.median);
      }
      if (series.points.empty()) continue;
      series.steps = FindSteps(medians, minEffect);
      view.series.push_back(std::move(series));
    }
  }
  return view;
}
