#include "reporters/check_text.h"

#include "reporters/figure_comparisons.h"
#include "reporters/history_view.h"

namespace {

// The finding's name in the checks table, CSV and JSON.
const char* FindingName(CheckFinding::Kind kind) {
  switch (kind) {
    case CheckFinding::Kind::kSlower:
      return "slower";
    case CheckFinding::Kind::kSlowerMachine:
      return "slower-machine";
    case CheckFinding::Kind::kFaster:
      return "faster";
    case CheckFinding::Kind::kRecovered:
      return "recovered";
    case CheckFinding::Kind::kDecline:
      return "declining";
    case CheckFinding::Kind::kRise:
      return "rising";
    case CheckFinding::Kind::kRunByRun:
      break;
  }
  return "too-few-sessions";
}

// The first word of a lasting change's line.
std::string Word(CheckFinding::Kind kind) {
  return kind == CheckFinding::Kind::kSlowerMachine ? "slower, the machine's"
                                                    : FindingName(kind);
}

std::string AlongsideText(int others) {
  if (others == 0) return "";
  return ", as " + std::to_string(others) +
         (others == 1 ? " other figure did" : " other figures did");
}

// "slower: Files, one thread (files/s), drives64, 1 thread: down 25% over
// 16 sessions from session 1 (date), about 1.9% a session (1.4-2.5%)".
std::string TrendText(const CheckFinding& f) {
  const std::string move = TrendMoveText(f.ratio, f.sessions, f.perSession,
                                         f.perSessionLow, f.perSessionHigh);
  const std::size_t over = move.find(", about");
  return std::string(f.kind == CheckFinding::Kind::kDecline ? "slower"
                                                            : "faster") +
         ": " + FigureLabel(f.figure) + ", " + ConditionText(f.condition) +
         ": " + move.substr(0, over) + " from session " +
         std::to_string(f.since.id) + " (" + f.since.started + ")" +
         move.substr(over);
}

std::string ChangeText(const CheckFinding& f) {
  if (f.kind == CheckFinding::Kind::kDecline ||
      f.kind == CheckFinding::Kind::kRise) {
    return TrendText(f);
  }
  std::string line =
      Word(f.kind) + ": " + FigureLabel(f.figure) + ", " +
      ConditionText(f.condition) + ": " +
      RatioText(f.ratio, RatioInterval{f.low.value_or(f.ratio),
                                       f.high.value_or(f.ratio)}) +
      " since session " + std::to_string(f.since.id) + " (" + f.since.started +
      "), " + StepText(f.ratio) + AlongsideText(f.alongside);
  if (f.owner.ratio) {
    const double ratio = *f.owner.ratio;
    line += "; against the memory control " +
            RatioText(ratio, RatioInterval{f.owner.low.value_or(ratio),
                                           f.owner.high.value_or(ratio)}) +
            (f.owner.whose == ShiftOwner::Whose::kDrive ? ": the drive's"
             : f.owner.whose == ShiftOwner::Whose::kMachine
                 ? ": the machine changed, not the drive"
                 : ": the control cannot tell whose it is");
  }
  return line;
}

std::string RunByRunHead(const RunByRun& series) {
  return ConditionText(series.condition) + ": " +
         std::to_string(series.sessions) +
         " sessions, too few to tell a lasting change; session " +
         std::to_string(series.latest) + " against session " +
         std::to_string(series.previous) + ", run against run, no verdict:";
}

std::string RunByRunText(const CheckFinding& f) {
  std::optional<RatioInterval> interval;
  if (f.low && f.high) interval = RatioInterval{*f.low, *f.high};
  return FigureLabel(f.figure) + ": " + RatioText(f.ratio, interval);
}

CheckRecord RecordOf(const DriveCheck& check, const CheckFinding& f,
                     std::string message) {
  CheckRecord r;
  r.driveId = check.drive.id;
  r.figure = f.figure;
  r.role = f.condition.role;
  r.clients = f.condition.clients;
  r.threads = f.condition.threads;
  r.finding = FindingName(f.kind);
  r.ratio = f.ratio;
  r.low = f.low;
  r.high = f.high;
  r.sinceSession = f.since.id;
  r.sinceStarted = f.since.started;
  r.message = std::move(message);
  return r;
}

}  // namespace

std::string CheckHeading(const DriveCheck& check) {
  std::string heading = "Drive " + DriveText(check.drive) + ": " +
                        std::to_string(check.sessions) +
                        (check.sessions == 1 ? " session" : " sessions");
  if (check.judgedFrom) {
    heading += ", judged from session " + std::to_string(*check.judgedFrom) +
               " on (a change accepted there)";
  }
  return heading;
}

std::vector<CheckLine> CheckLines(const DriveCheck& check) {
  if (!check.comparable) {
    return {{1, "nothing to compare the latest session with yet"}};
  }
  std::vector<CheckLine> lines;
  for (const CheckFinding& f : check.changes) {
    lines.push_back({1, ChangeText(f)});
  }
  if (check.uncontrolled) {
    lines.push_back(
        {1,
         "(no memory control beside these sessions: the drive and the "
         "machine cannot be told apart; run --control)"});
  }
  for (const RunByRun& series : check.runByRun) {
    lines.push_back(
        {1, RunByRunHead(series) +
                (series.figures.empty() ? " no figure in both" : "")});
    for (const CheckFinding& f : series.figures) {
      lines.push_back({2, RunByRunText(f)});
    }
  }
  if (!check.slower) {
    lines.push_back({1, check.machineSlower
                            ? "the drive itself did not get slower"
                        : check.runByRun.empty()
                            ? "nothing got slower"
                            : "nothing got slower that the sessions can tell "
                              "yet"});
  }
  return lines;
}

std::vector<CheckRecord> CheckRecords(const DriveCheck& check) {
  std::vector<CheckRecord> records;
  for (const CheckFinding& f : check.changes) {
    records.push_back(RecordOf(check, f, ChangeText(f)));
  }
  for (const RunByRun& series : check.runByRun) {
    for (const CheckFinding& f : series.figures) {
      records.push_back(
          RecordOf(check, f, RunByRunHead(series) + " " + RunByRunText(f)));
    }
  }
  return records;
}
