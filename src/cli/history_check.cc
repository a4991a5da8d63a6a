// drives-report history check: each drive's series judged, said as lines
// (the table), CSV or JSON, and kept in the checks table with --record.
#include <iostream>
#include <map>

#include "cli/history_access.h"
#include "cli/history_command.h"
#include "cli/output.h"
#include "cli/report_command.h"
#include "messages/messages.h"
#include "messages/utf8_text.h"
#include "reporters/csv_text.h"
#include "reporters/figure_comparisons.h"
#include "reporters/history_view.h"
#include "reporters/json_writer.h"
#include "reporters/output_buffer.h"

namespace {

constexpr char kCheckSchema[] = "drives-check/1";

// What the check says of one drive: its lines as the table prints them,
// and each finding as a record.
struct DriveCheck {
  DriveSummary drive;
  std::size_t sessions = 0;
  std::optional<long long> judgedFrom;  // a change accepted there
  std::vector<std::string> lines;
  std::vector<CheckRecord> findings;
  bool slower = false;  // a lasting change of the drive's for the slower
};

// ", as 3 other figures did": how many of the condition's other figures
// changed at the same session the same way (a machine's phase, or the
// drive as a whole), or nothing.
std::string AlongsideText(const JudgedCondition& condition,
                          const JudgedFigure& figure, const LevelShift& shift) {
  int others = 0;
  for (const JudgedFigure& other : condition.figures) {
    if (&other == &figure) continue;
    for (const LevelShift& s : other.shifts) {
      if (s.at == shift.at && (s.ratio < 1) == (shift.ratio < 1)) ++others;
    }
  }
  if (others == 0) return "";
  return ", as " + std::to_string(others) +
         (others == 1 ? " other figure did" : " other figures did");
}

CheckRecord RecordOf(const JudgedDrive& judged,
                     const JudgedCondition& condition,
                     const std::string& figure, const std::string& finding) {
  CheckRecord r;
  r.driveId = judged.drive.id;
  r.figure = figure;
  r.role = condition.condition.role;
  r.clients = condition.condition.clients;
  r.threads = condition.condition.threads;
  r.finding = finding;
  return r;
}

// A line and a record per figure whose latest level is a lasting change;
// whose each is, where a memory control can tell.
void Changes(const JudgedDrive& judged, double minEffect, DriveCheck& check,
             bool& machineSlower) {
  bool uncontrolled = false;
  for (const JudgedCondition& condition : judged.conditions) {
    // The control's own series, and the drive's over it, speak of the
    // machine: they tell whose a drive's change is, below.
    if (condition.condition.role != kDriveRole) continue;
    for (const JudgedFigure& figure : condition.figures) {
      const LatestLevel level = LatestChange(figure.shifts);
      if (level == LatestLevel::kUnchanged) continue;
      const LevelShift& shift = figure.shifts.back();
      const SessionSummary& since = judged.sessions[shift.at].summary;
      const ShiftOwner owner = OwnerOfShift(
          judged.conditions, condition, figure, shift, judged.from, minEffect);
      const bool machine = owner.whose == ShiftOwner::Whose::kMachine;
      const std::string word =
          level == LatestLevel::kSlower
              ? (machine ? "slower, the machine's" : "slower")
          : level == LatestLevel::kFaster ? "faster"
                                          : "recovered";
      std::string line =
          word + ": " + FigureLabel(figure.figure) + ", " +
          ConditionText(condition.condition) + ": " +
          RatioText(shift.ratio, RatioInterval{shift.low, shift.high}) +
          " since session " + std::to_string(since.id) + " (" + since.started +
          "), " + StepText(shift.ratio) +
          AlongsideText(condition, figure, shift);
      if (owner.ratio) {
        line += "; against the memory control " +
                RatioText(*owner.ratio,
                          RatioInterval{owner.low.value_or(*owner.ratio),
                                        owner.high.value_or(*owner.ratio)}) +
                (owner.whose == ShiftOwner::Whose::kDrive ? ": the drive's"
                 : machine ? ": the machine changed, not the drive"
                           : ": the control cannot tell whose it is");
      }
      check.lines.push_back("  " + line);
      CheckRecord r = RecordOf(judged, condition, figure.figure,
                               level == LatestLevel::kSlower
                                   ? (machine ? "slower-machine" : "slower")
                               : level == LatestLevel::kFaster ? "faster"
                                                               : "recovered");
      r.ratio = shift.ratio;
      r.low = shift.low;
      r.high = shift.high;
      r.sinceSession = since.id;
      r.sinceStarted = since.started;
      r.message = line;
      check.findings.push_back(r);
      uncontrolled =
          uncontrolled || owner.whose == ShiftOwner::Whose::kNoControl;
      check.slower =
          check.slower || (level == LatestLevel::kSlower && !machine);
      machineSlower =
          machineSlower || (level == LatestLevel::kSlower && machine);
    }
  }
  if (uncontrolled) {
    check.lines.push_back(
        "  (no memory control beside these sessions: the drive and the "
        "machine cannot be told apart; run --control)");
  }
}

// The sessions of `condition` judged, oldest first.
std::vector<std::size_t> SessionsOf(const JudgedCondition& condition,
                                    std::size_t from) {
  std::map<std::size_t, bool> sessions;
  for (const JudgedFigure& figure : condition.figures) {
    for (const HistoryPoint& p : figure.points) {
      if (p.session >= from) sessions[p.session] = true;
    }
  }
  std::vector<std::size_t> ordered;
  ordered.reserve(sessions.size());
  for (const auto& entry : sessions) ordered.push_back(entry.first);
  return ordered;
}

// Of every series of the latest session with too few sessions for a
// lasting change: that session against the one before, run against run.
// False where the history cannot be read (said).
bool TooFew(HistoryStore& store, const JudgedDrive& judged, double minEffect,
            DriveCheck& check, bool& slowerRunByRun) {
  const std::size_t latest = judged.sessions.size() - 1;
  std::map<std::size_t, Session> loaded;
  const auto load = [&](std::size_t s) -> const Session* {
    auto found = loaded.find(s);
    if (found != loaded.end()) return &found->second;
    std::string error;
    std::optional<Session> session =
        store.Load(judged.sessions[s].summary.id, error);
    if (!session) {
      PrintError(
          store.Where() + ": " +
          (error.empty() ? "a session vanished while it was read" : error));
      return nullptr;
    }
    return &loaded.emplace(s, std::move(*session)).first->second;
  };
  for (const JudgedCondition& condition : judged.conditions) {
    if (!condition.tooFewSessions || condition.condition.role != kDriveRole) {
      continue;
    }
    const std::vector<std::size_t> sessions =
        SessionsOf(condition, judged.from);
    if (sessions.size() < 2 || sessions.back() != latest) continue;
    const std::size_t previous = sessions[sessions.size() - 2];
    const Session* a = load(latest);
    const Session* b = load(previous);
    if (!a || !b) return false;
    std::vector<std::string> figures;
    for (const JudgedFigure& f : condition.figures) {
      figures.push_back(f.figure);
    }
    const std::vector<std::optional<FigureVerdict>> verdicts =
        CompareLatestSessions(*a, *b, condition.condition, figures, minEffect);
    const SessionSummary& since = judged.sessions[latest].summary;
    const std::string head =
        ConditionText(condition.condition) + ": " +
        std::to_string(sessions.size()) +
        " sessions, too few to tell a lasting change; session " +
        std::to_string(since.id) + " against session " +
        std::to_string(judged.sessions[previous].summary.id) +
        ", run against run:";
    std::vector<std::string> said;
    for (std::size_t f = 0; f < figures.size(); ++f) {
      if (!verdicts[f] || !Differs(verdicts[f]->verdict)) continue;
      const bool worse = verdicts[f]->estimate->ratio < 1;
      const std::string line =
          std::string(worse ? "slower: " : "faster: ") +
          FigureLabel(figures[f]) + ": " +
          RatioText(verdicts[f]->estimate->ratio, verdicts[f]->adjusted);
      said.push_back("    " + line);
      CheckRecord r =
          RecordOf(judged, condition, figures[f], "too-few-sessions");
      r.ratio = verdicts[f]->estimate->ratio;
      if (verdicts[f]->adjusted) {
        r.low = verdicts[f]->adjusted->low;
        r.high = verdicts[f]->adjusted->high;
      }
      r.sinceSession = since.id;
      r.sinceStarted = since.started;
      r.message = head;
      r.message += " ";
      r.message += line;
      check.findings.push_back(r);
      slowerRunByRun = slowerRunByRun || worse;
    }
    check.lines.push_back(
        "  " + head + (said.empty() ? " no figure differs" : std::string()));
    check.lines.insert(check.lines.end(), said.begin(), said.end());
  }
  return true;
}

// The check of one drive; none where the history cannot be read (said).
std::optional<DriveCheck> CheckDrive(HistoryStore& store,
                                     const DriveSummary& drive,
                                     const HistoryOptions& options,
                                     std::size_t drives) {
  const std::optional<JudgedDrive> judged =
      Judge(store, drive, options.minEffect, drives);
  if (!judged) return std::nullopt;
  DriveCheck check;
  check.drive = drive;
  check.sessions = judged->sessions.size();
  if (judged->from > 0) {
    check.judgedFrom = judged->sessions[judged->from].summary.id;
  }
  if (check.sessions - judged->from < 2) {
    check.lines.push_back("  nothing to compare the latest session with yet");
    return check;
  }
  bool machineSlower = false;
  Changes(*judged, options.minEffect, check, machineSlower);
  bool slowerRunByRun = false;
  if (!TooFew(store, *judged, options.minEffect, check, slowerRunByRun)) {
    return std::nullopt;
  }
  if (!check.slower && !slowerRunByRun) {
    check.lines.push_back(machineSlower
                              ? "  the drive itself did not get slower"
                              : "  nothing got slower");
  }
  return check;
}

void WriteTable(const std::vector<DriveCheck>& checks, std::ostream& out) {
  for (const DriveCheck& c : checks) {
    out << "Drive " << Printable(DriveText(c.drive)) << ": " << c.sessions
        << (c.sessions == 1 ? " session" : " sessions");
    if (c.judgedFrom) {
      out << ", judged from session " << *c.judgedFrom
          << " on (a change accepted there)";
    }
    out << '\n';
    for (const std::string& line : c.lines) out << Printable(line) << '\n';
  }
}

void WriteCsv(const std::vector<DriveCheck>& checks, std::ostream& stream) {
  OutputBuffer out(stream);
  out << "drive,machine,sessions,figure,role,clients,threads,finding,ratio,"
         "ratio_low,ratio_high,since_session,since_started,message\n";
  for (const DriveCheck& c : checks) {
    for (const CheckRecord& r : c.findings) {
      out << CsvField(c.drive.name) << ',' << CsvField(c.drive.machine) << ','
          << c.sessions << ',' << CsvField(r.figure) << ',' << CsvField(r.role)
          << ',' << (r.clients ? std::to_string(*r.clients) : "") << ','
          << (r.threads ? std::to_string(*r.threads) : "") << ','
          << CsvField(r.finding) << ',' << CsvNumber(r.ratio) << ','
          << CsvNumber(r.low) << ',' << CsvNumber(r.high) << ','
          << (r.sinceSession ? std::to_string(*r.sinceSession) : "") << ','
          << CsvField(r.sinceStarted) << ',' << CsvField(r.message) << '\n';
    }
  }
}

void WriteJson(const std::vector<DriveCheck>& checks, std::ostream& out) {
  JsonWriter json(out);
  json.BeginObject();
  json.Key("schema").String(kCheckSchema);
  json.Key("drives").BeginArray();
  for (const DriveCheck& c : checks) {
    json.BeginObject();
    json.Key("drive").String(c.drive.name);
    json.Key("machine").String(c.drive.machine);
    json.Key("sessions").Int(static_cast<long long>(c.sessions));
    json.Key("judged_from");
    if (c.judgedFrom) {
      json.Int(*c.judgedFrom);
    } else {
      json.Null();
    }
    json.Key("slower").Bool(c.slower);
    json.Key("findings").BeginArray();
    for (const CheckRecord& r : c.findings) {
      json.BeginObject();
      json.Key("figure").String(r.figure);
      json.Key("role").String(r.role);
      json.Key("clients");
      if (r.clients) {
        json.Int(*r.clients);
      } else {
        json.Null();
      }
      json.Key("threads");
      if (r.threads) {
        json.Int(*r.threads);
      } else {
        json.Null();
      }
      json.Key("finding").String(r.finding);
      json.Key("ratio").Real(r.ratio);
      json.Key("ratio_low").Real(r.low);
      json.Key("ratio_high").Real(r.high);
      json.Key("since_session");
      if (r.sinceSession) {
        json.Int(*r.sinceSession);
      } else {
        json.Null();
      }
      json.Key("since_started").String(r.sinceStarted);
      json.Key("message").String(r.message);
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  json.Finish();
}

}  // namespace

int CheckHistory(const HistoryOptions& options) {
  const std::unique_ptr<HistoryStore> store =
      OpenOrSay(options, options.record ? HistoryStore::Mode::kWrite
                                        : HistoryStore::Mode::kRead);
  if (!store) return kUnreadable;
  const std::optional<std::vector<DriveSummary>> drives =
      MatchingDrives(*store, options);
  if (!drives) return kUnreadable;
  std::vector<DriveCheck> checks;
  bool regressed = false;
  for (const DriveSummary& drive : *drives) {
    std::optional<DriveCheck> check =
        CheckDrive(*store, drive, options, drives->size());
    if (!check) return kUnreadable;
    regressed = regressed || check->slower;
    checks.push_back(std::move(*check));
  }
  if (options.record) {
    std::vector<CheckRecord> all;
    for (const DriveCheck& c : checks) {
      all.insert(all.end(), c.findings.begin(), c.findings.end());
    }
    std::string error;
    if (!store->Record(all, error)) {
      PrintError(store->Where() + ": the check was not recorded: " + error);
      return kUnreadable;
    }
  }
  const bool written = WriteOutput(options.output, [&](std::ostream& out) {
    if (options.format == "csv") {
      WriteCsv(checks, out);
    } else if (options.format == "json") {
      WriteJson(checks, out);
    } else if (checks.empty()) {
      out << "The history holds no session yet.\n";
    } else {
      WriteTable(checks, out);
    }
  });
  if (!written) return kUnreadable;
  return regressed ? kRegressed : kAllRead;
}
