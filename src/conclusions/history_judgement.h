// A drive's history judged session by session: the unit is the session
// (each figure's median over its runs), so that the sessions' own variation
// from day to day is part of every test. Sessions are judged in series of
// like conditions (program, client and thread count, memory control or
// drive, --settle): a change of conditions starts another series, never a
// step. In each series the figures are judged together, where a machine's
// phase or a drive's decline moves them all (their mean, each figure
// centred on its own), and each alone against the others (what they share
// from session to session taken out), by binary segmentation with Student's
// t of the two levels, against thresholds simulated for every session count
// at the history's budget, widened where neighbouring sessions are alike (a
// machine's phases that last several sessions): at most 5% of histories
// where nothing changes show a change. A decline that goes on (the figures
// together along a line, which fits them better than one step) is a trend,
// told by its rate and total rather than as steps.
#ifndef DRIVES_CONCLUSIONS_HISTORY_JUDGEMENT_H_
#define DRIVES_CONCLUSIONS_HISTORY_JUDGEMENT_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "conclusions/verdict.h"
#include "history/history_records.h"
#include "statistics/ratio_estimate.h"

// Of one series: each figure's log median in each of its sessions, not a
// number where a session lacks the figure.
struct SeriesLevels {
  std::vector<std::vector<double>> figures;  // [figure][session]
};

// A lasting change of one figure: where its latest level starts, and that
// level against the one before it.
struct LevelShift {
  std::size_t at = 0;  // the first session of the new level
  double ratio = 1;    // the new level over the one before
  double low = 1;      // its interval, at the level of the test that found it
  double high = 1;
  bool together = false;  // found in the figures together, not alone
};

// A lasting trend of the figures together (a drive that wears): each
// figure's level along a line over the sessions.
struct LevelTrend {
  std::size_t from = 0;  // the line's first and last session
  std::size_t to = 0;
  std::size_t sessions = 0;  // of the series, from the first to the last
  double start = 0;          // the line's level at its first session
  double perSession = 1;     // the ratio from one session to the next
  double low = 1;            // its interval
  double high = 1;
  double Total() const;  // the last session over the first, on the line
  double TotalLow() const;
  double TotalHigh() const;
};

struct FigureJudgement {
  // Every lasting change, oldest first: where each level starts.
  std::vector<LevelShift> shifts;
  std::optional<LevelTrend> trend;
};

struct SeriesJudgement {
  std::vector<FigureJudgement> figures;  // in the order given
  bool tooFewSessions = false;           // below kFewestSessionsToJudge
};

// A series needs this many sessions for a lasting change to show: two a
// level.
constexpr std::size_t kFewestSessionsToJudge = 4;
// And this many for a trend.
constexpr std::size_t kFewestSessionsForTrend = 6;

// The history's budget: the share of histories where nothing changes that
// may show a change, half of it for the figures together and half for the
// figures alone, shared by the `seriesCount` series of the history.
constexpr double kHistoryBudget = 0.05;

SeriesJudgement JudgeSeries(const SeriesLevels& levels, std::size_t seriesCount,
                            double minEffect);

// What makes a series: sessions of the same program, --settle, role
// (drive or memory control), client count and thread count.
struct HistoryCondition {
  std::string program;
  bool settle = false;
  std::string role;
  std::optional<int> clients;
  std::optional<int> threads;
  bool operator<(const HistoryCondition& other) const;
  bool operator==(const HistoryCondition& other) const;
};

// One figure of a session, as the history shows it.
struct HistoryPoint {
  std::size_t session = 0;  // index into the sessions judged
  int runs = 0;
  double median = 0;
  std::optional<double> low;
  std::optional<double> high;
};

struct JudgedFigure {
  std::string figure;  // its key: "single.files"
  std::string unit;
  std::vector<HistoryPoint> points;  // the sessions that have it, in order
  // Its lasting changes, oldest first; `at` indexes the sessions judged.
  std::vector<LevelShift> shifts;
  std::optional<LevelTrend> trend;  // its sessions index those judged
};

struct JudgedCondition {
  HistoryCondition condition;
  std::vector<JudgedFigure> figures;  // in the order of ComparedFigures()
  std::size_t sessions = 0;           // judged, from the first accepted on
  bool tooFewSessions = false;
};

// A drive's sessions, judged from the change accepted last.
struct JudgedDrive {
  DriveSummary drive;
  std::vector<StoredSession> sessions;
  std::vector<JudgedCondition> conditions;
  std::size_t from = 0;
};

// Every series of one drive's sessions (oldest first), each judged from
// session `from` on (a change the user accepted: the new level is the
// first); changes are those of the figures whose sessions have them. The
// history's budget is shared by every series of the `drives` judged at
// once.
std::vector<JudgedCondition> JudgeHistory(
    const std::vector<StoredSession>& sessions, std::size_t from,
    double minEffect, std::size_t drives = 1);

// What a figure's lasting changes say of its latest level: none, slower
// (what `history check` exits 3 for), faster, or recovered (faster after a
// slower one).
enum class LatestLevel { kUnchanged, kSlower, kFaster, kRecovered };
LatestLevel LatestChange(const std::vector<LevelShift>& shifts);

// Whose a lasting change of the drive's figure is, told by the same figure
// over its memory control (the sessions' controlled series): the drive's
// where that stepped too, the machine's where it stayed the same (its
// level after against before within the minimum effect), else none to
// tell; no control where the sessions had none.
struct ShiftOwner {
  enum class Whose { kDrive, kMachine, kCannotTell, kNoControl };
  Whose whose = Whose::kNoControl;
  // The controlled figure's level after the change against before, with
  // its 95% interval.
  std::optional<double> ratio;
  std::optional<double> low;
  std::optional<double> high;
};
ShiftOwner OwnerOfShift(const std::vector<JudgedCondition>& conditions,
                        const JudgedCondition& condition,
                        const JudgedFigure& figure, const LevelShift& shift,
                        std::size_t from, double minEffect);

// Where a series has too few sessions to tell a lasting change: its latest
// session against the one before, run against run, each figure's ratio with
// its 95% interval and no verdict (a session's own level varies more than
// its runs: two quiet sessions differ by their runs in a third to a half of
// histories whose sessions vary by a few percent); in the order of
// `figures`, none where a session lacks the figure.
std::vector<std::optional<RatioEstimate>> CompareLatestSessions(
    const Session& latest, const Session& previous,
    const HistoryCondition& condition, const std::vector<std::string>& figures);

#endif  // DRIVES_CONCLUSIONS_HISTORY_JUDGEMENT_H_
