// What `drives-report history show` shows of one drive: its sessions, and
// for every figure and thread count the median and interval of each
// session's runs, with the lasting changes found in them. Every format
// shows this one view.
#ifndef DRIVES_REPORTERS_HISTORY_VIEW_H_
#define DRIVES_REPORTERS_HISTORY_VIEW_H_

#include <optional>
#include <string>
#include <vector>

#include "history/history_store.h"
#include "results/figure_rows.h"
#include "statistics/figure_statistics.h"
#include "statistics/step_detection.h"

// One figure of one session.
struct HistoryPoint {
  std::size_t session = 0;  // index into HistoryView::sessions
  FigureStatistics statistics;
};

// One figure at one thread count, session by session.
struct HistorySeries {
  std::optional<int> threads;
  FigureRow row;
  std::vector<HistoryPoint> points;  // the sessions that have it, in order
  std::vector<Step> steps;           // `at` indexes `points`
};

struct HistoryView {
  std::string drive;
  std::vector<SessionSummary> sessions;
  std::vector<HistorySeries> series;  // by figure, then thread count
  double minEffect = 0.05;
  std::string madeAt;
};

// The view of `sessions` (one drive's, oldest first).
HistoryView MakeHistoryView(const std::string& drive,
                            const std::vector<StoredSession>& sessions,
                            double minEffect);

// The values of `row` at `threads` in each of the runs of a session.
std::vector<double> SessionValues(const StoredSession& session,
                                  const std::optional<int>& threads,
                                  const FigureRow& row,
                                  std::vector<int>* numbers = nullptr);

#endif  // DRIVES_REPORTERS_HISTORY_VIEW_H_
