// What `drives-report history check` concludes of one drive: each figure
// whose latest level is a lasting change, told whose it is where a memory
// control can tell; each figure on a lasting trend (not yet told whose);
// and, in series with too few sessions for a lasting
// change, the latest session against the one before, run against run,
// without a verdict. The reporters say it; --record keeps it.
#ifndef DRIVES_CONCLUSIONS_HISTORY_CHECK_H_
#define DRIVES_CONCLUSIONS_HISTORY_CHECK_H_

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "conclusions/history_judgement.h"

struct CheckFinding {
  enum class Kind {
    kSlower,
    kSlowerMachine,
    kFaster,
    kRecovered,
    kRunByRun,
    kDecline,  // along a line over the sessions, slower (a trend)
    kRise,     // the same, faster
  };
  Kind kind = Kind::kSlower;
  HistoryCondition condition;
  std::string figure;  // its key
  double ratio = 1;
  std::optional<double> low;
  std::optional<double> high;
  // The first session of the new level; run by run (no verdict), the
  // latest session.
  SessionSummary since;
  // How many of the series' other figures stepped at the same session the
  // same way (a machine's phase, or the drive as a whole).
  int alongside = 0;
  ShiftOwner owner;  // of a lasting change
  // Of a trend: `ratio` is its total (the last session over the first on
  // its line), `since` its first session; over so many sessions, and the
  // ratio a session with its interval.
  std::size_t sessions = 0;
  double perSession = 1;
  double perSessionLow = 1;
  double perSessionHigh = 1;
};

// A series with too few sessions: its latest session against the one
// before, each figure both have.
struct RunByRun {
  HistoryCondition condition;
  std::size_t sessions = 0;  // the series' sessions judged
  long long latest = 0;      // the two sessions' numbers
  long long previous = 0;
  std::vector<CheckFinding> figures;
};

struct DriveCheck {
  DriveSummary drive;
  std::size_t sessions = 0;
  std::optional<long long> judgedFrom;  // a change accepted there
  bool comparable = false;              // at least two sessions judged
  std::vector<CheckFinding> changes;
  bool uncontrolled = false;  // a change with no memory control beside it
  std::vector<RunByRun> runByRun;
  bool slower = false;         // a lasting change of the drive's, slower
  bool machineSlower = false;  // a lasting change of the machine's, slower
};

// The i-th session judged in full, or null where it cannot be read (the
// caller says why).
using SessionLoader = std::function<const Session*(std::size_t)>;

// The check of `judged`; none where a session could not be loaded.
std::optional<DriveCheck> CheckDrive(const JudgedDrive& judged,
                                     double minEffect,
                                     const SessionLoader& load);

#endif  // DRIVES_CONCLUSIONS_HISTORY_CHECK_H_
