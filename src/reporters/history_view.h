// What `drives-report history show` shows of one drive: its sessions, and
// for every series of like conditions (program, --settle, drive or memory
// control, client and thread count) each figure's session medians and
// intervals, with the lasting changes the history's judgement found in
// them. Every format shows this one view.
#ifndef DRIVES_REPORTERS_HISTORY_VIEW_H_
#define DRIVES_REPORTERS_HISTORY_VIEW_H_

#include <cstddef>
#include <string>
#include <vector>

#include "conclusions/history_judgement.h"
#include "history/history_records.h"

struct HistoryView {
  std::string drive;
  std::vector<SessionSummary> sessions;     // oldest first
  std::vector<JudgedCondition> conditions;  // every series, judged
  std::size_t from = 0;  // the first session judged: a change accepted there
  double minEffect = 0.05;
  std::string madeAt;
};

// "ssd on lab-7": a drive as messages name it; a name of its own making
// ("lab-7:/dev/sda1") already says its machine.
std::string DriveText(const DriveSummary& drive);

// The condition in full, for a line of its own: "drives64, 1 thread,
// 2 clients, settled, memory control".
std::string ConditionText(const HistoryCondition& condition);

// The condition as a column names it: its thread count, with only what sets
// it apart from the other conditions of `all`.
std::string ConditionLabel(const HistoryCondition& condition,
                           const std::vector<JudgedCondition>& all);

// The label of the figure `key` ("Bulk read, one thread (MB/s)"), else the
// key itself.
std::string FigureLabel(const std::string& key);

// The place of the figure `key` among the compared figures, for ordering;
// kFigureRowCount where it is none of them.
std::size_t FigurePosition(const std::string& key);

// "a step of -38%": the mark of the first session of a new level.
std::string StepText(double ratio);

// A trend's movement: "down 25% over 16 sessions, about 1.9% a session
// (1.4-2.5%)", given its total, its sessions and its ratio a session with
// that ratio's interval.
std::string TrendMoveText(double total, std::size_t sessions, double perSession,
                          double low, double high);

#endif  // DRIVES_REPORTERS_HISTORY_VIEW_H_
