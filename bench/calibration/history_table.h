// The calibration of history check: stand-in histories of known truth
// (session noise shared by every figure, independent or in phases that
// last, run noise, planted steps, dips and declines), judged by the
// session-by-session rule and by the rule it replaced.
#ifndef DRIVES_BENCH_CALIBRATION_HISTORY_TABLE_H_
#define DRIVES_BENCH_CALIBRATION_HISTORY_TABLE_H_

#include <cstddef>
#include <ostream>
#include <utility>
#include <vector>

#include "statistics/random.h"
#include "table.h"

struct HistoryStandIn {
  std::size_t sessions = 20;
  double sessionNoise = 0.10;  // shared by every figure of a session
  double runNoise = 0.10;      // each run's own
  std::size_t stepAt = 0;      // every figure steps from this session (0: none)
  double step = 0;
  std::size_t oneStepAt = 0;  // figure 0 alone steps from this session
  double oneStep = 0;
  std::size_t dipAt = 1000;  // every figure dips for a while, then back
  std::size_t dipLength = 0;
  double dip = 0;
  // Phases that last: the shared session level an AR(1) series of this
  // lag-1 correlation (0: independent sessions).
  double rho = 0;
  double ownNoise = 0;  // each figure's own session level, beside the shared
  double decline = 0;   // every figure loses this much a session (wear)
};

// [figure][session]: the runs' values.
struct History {
  std::vector<std::vector<std::vector<double>>> runs;
};

History MakeHistory(const HistoryStandIn& h, Random& random);

// What a check says at the end of a history: a figure got slower (exit 3),
// with the sessions its changes start at, or faster.
struct Outcome {
  bool slower = false;
  bool faster = false;
  std::vector<std::size_t> dates;
  // Of each figure told as a trend: its total's interval.
  std::vector<std::pair<double, double>> totals;
};
Outcome JudgeNew(const History& history);
Outcome JudgeOld(const History& history);

void WriteHistoryTable(int histories, std::ostream& out);

// History check under phases that last across sessions: quiet histories,
// a step, a dip that recovers and a gradual decline.
void WriteSessionPhasesTable(int histories, std::ostream& out);

#endif  // DRIVES_BENCH_CALIBRATION_HISTORY_TABLE_H_
