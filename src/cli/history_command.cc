#include "cli/history_command.h"

#include <iostream>
#include <map>
#include <memory>

#include "cli/output.h"
#include "cli/report_command.h"
#include "conclusions/history_judgement.h"
#include "history/history_store.h"
#include "history/session_reader.h"
#include "messages/messages.h"
#include "reporters/figure_comparisons.h"
#include "reporters/history_view.h"
#include "reporters/reporter.h"

namespace {

// The store, or none with `error` set; a missing file for reading gives
// none with `error` empty.
std::unique_ptr<HistoryStore> OpenHistory(const HistoryOptions& options,
                                          HistoryStore::Mode mode,
                                          std::string& path,
                                          std::string& error) {
  path = HistoryPath(options.path);
  if (path.empty()) {
    error =
        "no place for the history: set HOME (or XDG_DATA_HOME), "
        "DRIVES_HISTORY, or give --history FILE";
    return nullptr;
  }
  return HistoryStore::Open(path, mode, error);
}

// The store for a command, or none with the error said.
std::unique_ptr<HistoryStore> OpenOrSay(const HistoryOptions& options,
                                        HistoryStore::Mode mode) {
  std::string path;
  std::string error;
  std::unique_ptr<HistoryStore> store = OpenHistory(options, mode, path, error);
  if (!store) PrintError(error.empty() ? "no history at " + path : error);
  return store;
}

// "ssd on lab-7": a drive as messages name it; a name of its own making
// ("lab-7:/dev/sda1") already says its machine.
std::string DriveText(const DriveSummary& drive) {
  const bool said = drive.name.rfind(drive.machine + ":", 0) == 0;
  return drive.machine.empty() || said ? drive.name
                                       : drive.name + " on " + drive.machine;
}

// The drives the command's --drive and --machine name (every one without
// them); none with the error said where the history cannot be read.
std::optional<std::vector<DriveSummary>> MatchingDrives(
    HistoryStore& store, const HistoryOptions& options) {
  std::string error;
  const std::vector<DriveSummary> drives = store.Drives(error);
  if (!error.empty()) {
    PrintError(store.Where() + ": " + error);
    return std::nullopt;
  }
  std::vector<DriveSummary> matching;
  for (const DriveSummary& d : drives) {
    if (options.drive && d.name != *options.drive) continue;
    if (options.machine && d.machine != *options.machine) continue;
    matching.push_back(d);
  }
  if (matching.empty() && (options.drive || options.machine)) {
    std::string names;
    for (const DriveSummary& d : drives) {
      names += (names.empty() ? "" : ", ") + DriveText(d);
    }
    PrintError("no drive" +
               (options.drive ? " named " + *options.drive : std::string()) +
               (options.machine ? " on " + *options.machine : std::string()) +
               " in the history" + (names.empty() ? "" : " (" + names + ")"));
    return std::nullopt;
  }
  return matching;
}

// The one drive a command is about, or none with the error said.
std::optional<DriveSummary> ChooseDrive(HistoryStore& store,
                                        const HistoryOptions& options) {
  const std::optional<std::vector<DriveSummary>> drives =
      MatchingDrives(store, options);
  if (!drives) return std::nullopt;
  if (drives->size() == 1) return drives->front();
  if (drives->empty()) {
    PrintError("the history holds no session yet");
    return std::nullopt;
  }
  std::string names;
  for (const DriveSummary& d : *drives) {
    names += (names.empty() ? "" : ", ") + DriveText(d);
  }
  PrintError(std::to_string(drives->size()) +
             " drives in the history; name one with --drive" +
             (options.drive ? std::string(" and --machine") : "") + ": " +
             names);
  return std::nullopt;
}

// "2026-12-09" or a longer ISO 8601 prefix of a UTC time.
bool ValidSince(const std::string& since) {
  if (since.size() < 10) return false;
  for (std::size_t i = 0; i < since.size(); ++i) {
    const char c = since[i];
    const bool digit = c >= '0' && c <= '9';
    if ((i == 4 || i == 7) ? c != '-' : (i < 10 && !digit)) return false;
  }
  return true;
}

// A drive's sessions, judged from the change accepted last; none with the
// error said.
struct JudgedDrive {
  DriveSummary drive;
  std::vector<StoredSession> sessions;
  std::vector<JudgedCondition> conditions;
  std::size_t from = 0;
};

std::optional<JudgedDrive> Judge(HistoryStore& store, const DriveSummary& drive,
                                 double minEffect, std::size_t drives) {
  JudgedDrive judged;
  judged.drive = drive;
  std::string error;
  judged.sessions = store.Sessions(drive.id, "", true, error);
  const std::optional<long long> accepted =
      error.empty() ? store.Accepted(drive.id, error) : std::nullopt;
  if (!error.empty()) {
    PrintError(store.Where() + ": " + error);
    return std::nullopt;
  }
  for (std::size_t s = 0; accepted && s < judged.sessions.size(); ++s) {
    if (judged.sessions[s].summary.id == *accepted) judged.from = s;
  }
  judged.conditions =
      JudgeHistory(judged.sessions, judged.from, minEffect, drives);
  return judged;
}

// The view from the first session started at or after `since` on, judged
// over them all, so that it marks what `history check` finds.
void KeepSince(const std::string& since, HistoryView& view) {
  std::size_t first = 0;
  while (first < view.sessions.size() && view.sessions[first].started < since) {
    ++first;
  }
  if (first == 0) return;
  view.sessions.erase(view.sessions.begin(),
                      view.sessions.begin() + static_cast<long>(first));
  view.from = view.from > first ? view.from - first : 0;
  for (JudgedCondition& condition : view.conditions) {
    for (JudgedFigure& figure : condition.figures) {
      std::vector<HistoryPoint> points;
      for (HistoryPoint p : figure.points) {
        if (p.session < first) continue;
        p.session -= first;
        points.push_back(p);
      }
      figure.points = std::move(points);
      std::vector<LevelShift> shifts;
      for (LevelShift shift : figure.shifts) {
        if (shift.at < first) continue;
        shift.at -= first;
        shifts.push_back(shift);
      }
      figure.shifts = std::move(shifts);
    }
  }
}

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

// One line per figure whose latest level is a lasting change; true when
// one got slower.
bool SayChanges(const JudgedDrive& judged, double minEffect,
                bool& machineSlower) {
  bool slower = false;
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
      const char* word = level == LatestLevel::kSlower
                             ? (machine ? "slower, the machine's" : "slower")
                         : level == LatestLevel::kFaster ? "faster"
                                                         : "recovered";
      std::cout << "  " << word << ": " << FigureLabel(figure.figure) << ", "
                << ConditionText(condition.condition) << ": "
                << RatioText(shift.ratio, RatioInterval{shift.low, shift.high})
                << " since session " << since.id << " (" << since.started
                << "), " << StepText(shift.ratio)
                << AlongsideText(condition, figure, shift);
      if (owner.ratio) {
        std::cout << "; against the memory control "
                  << RatioText(*owner.ratio,
                               RatioInterval{owner.low.value_or(*owner.ratio),
                                             owner.high.value_or(*owner.ratio)})
                  << (owner.whose == ShiftOwner::Whose::kDrive ? ": the drive's"
                      : machine ? ": the machine changed, not the drive"
                                : ": the control cannot tell whose it is");
      }
      std::cout << '\n';
      uncontrolled =
          uncontrolled || owner.whose == ShiftOwner::Whose::kNoControl;
      slower = slower || (level == LatestLevel::kSlower && !machine);
      machineSlower =
          machineSlower || (level == LatestLevel::kSlower && machine);
    }
  }
  if (uncontrolled) {
    std::cout << "  (no memory control beside these sessions: the drive and "
                 "the machine cannot be told apart; run --control)\n";
  }
  return slower;
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
bool SayTooFew(HistoryStore& store, const JudgedDrive& judged, double minEffect,
               bool& said) {
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
    std::cout << "  " << ConditionText(condition.condition) << ": "
              << sessions.size()
              << " sessions, too few to tell a lasting change; session "
              << judged.sessions[latest].summary.id << " against session "
              << judged.sessions[previous].summary.id << ", run against run:";
    bool any = false;
    for (std::size_t f = 0; f < figures.size(); ++f) {
      if (!verdicts[f] || !Differs(verdicts[f]->verdict)) continue;
      const bool worse = verdicts[f]->estimate->ratio < 1;
      std::cout << "\n    " << (worse ? "slower: " : "faster: ")
                << FigureLabel(figures[f]) << ": "
                << RatioText(verdicts[f]->estimate->ratio,
                             verdicts[f]->adjusted);
      any = true;
      said = said || worse;
    }
    std::cout << (any ? "\n" : " no figure differs\n");
  }
  return true;
}

// Adds one session read from `input`, and says so in a line; false where
// it could not be added (said).
bool AddOne(HistoryStore& store, const Session& session,
            const HistoryOptions& options, const std::string& input) {
  long long id = 0;
  std::string drive;
  std::string error;
  switch (store.Add(session, options.drive, id, drive, error)) {
    case HistoryStore::Added::kAdded:
      std::cout << input << ": added as session " << id << " of drive " << drive
                << " (" << session.runs.size()
                << (session.runs.size() == 1 ? " run" : " runs") << ")\n";
      return true;
    case HistoryStore::Added::kAlreadyThere:
      std::cout << input << ": already in the history as session " << id
                << " of drive " << drive << "; nothing added\n";
      return true;
    case HistoryStore::Added::kFailed:
      break;
  }
  std::string message = store.Where();
  message += ": " + input;
  message += " was not added: " + error;
  PrintError(message);
  return false;
}

}  // namespace

int ListHistory(const HistoryOptions& options) {
  std::string path;
  std::string error;
  const std::unique_ptr<HistoryStore> store =
      OpenHistory(options, HistoryStore::Mode::kRead, path, error);
  if (!store) {
    if (!error.empty()) {
      PrintError(error);
      return kUnreadable;
    }
    std::cout << "No history yet at " << path << ".\n";
    return kAllRead;
  }
  const std::optional<std::vector<DriveSummary>> drives =
      MatchingDrives(*store, options);
  if (!drives) return kUnreadable;
  std::cout << "History at " << store->Where() << ":\n";
  for (const DriveSummary& drive : *drives) {
    const std::vector<StoredSession> sessions =
        store->Sessions(drive.id, "", false, error);
    if (!error.empty()) {
      PrintError(store->Where() + ": " + error);
      return kUnreadable;
    }
    std::cout << "\nDrive " << DriveText(drive) << ": " << drive.sessions
              << (drive.sessions == 1 ? " session" : " sessions");
    if (drive.sessions > 0) {
      std::cout << ", " << drive.first << " to " << drive.last;
    }
    std::cout << '\n';
    for (const StoredSession& s : sessions) {
      const SessionSummary& m = s.summary;
      std::cout << "  session " << m.id << "  " << m.started << "  "
                << m.program << "  threads " << m.threadCounts
                << (m.settle ? "  settled" : "") << "  " << m.runs
                << (m.runs == 1 ? " run" : " runs") << "  " << m.fileSystem
                << "  " << m.source << '\n';
    }
  }
  return kAllRead;
}

int AddToHistory(const HistoryOptions& options) {
  const std::unique_ptr<HistoryStore> store =
      OpenOrSay(options, HistoryStore::Mode::kWrite);
  if (!store) return kUnreadable;
  int status = kAllRead;
  std::string text;
  for (const std::string& input : options.inputs) {
    std::vector<Session> sessions;
    InputError readError;
    std::vector<std::string> findings;
    const bool read = ReadSessions(input, text, sessions, findings, readError);
    for (const std::string& finding : findings) {
      PrintWarning(Where(input, 0) + finding);
    }
    if (!read) {
      PrintError(Where(input, readError.line) + readError.message);
      status = kUnreadable;
      continue;
    }
    // --drive names one drive: a sweep of several keeps each under its own.
    HistoryOptions each = options;
    if (sessions.size() > 1) each.drive.reset();
    for (const Session& session : sessions) {
      if (!AddOne(*store, session, each, session.source)) {
        status = kUnreadable;
      }
    }
  }
  return status;
}

int ShowHistory(const HistoryOptions& options) {
  if (!options.since.empty() && !ValidSince(options.since)) {
    PrintError("--since " + options.since +
               ": not a date (2026-12-09, or a longer UTC time)");
    return kUnreadable;
  }
  const std::unique_ptr<HistoryStore> store =
      OpenOrSay(options, HistoryStore::Mode::kRead);
  if (!store) return kUnreadable;
  const std::optional<DriveSummary> drive = ChooseDrive(*store, options);
  if (!drive) return kUnreadable;
  std::optional<JudgedDrive> judged =
      Judge(*store, *drive, options.minEffect, 1);
  if (!judged) return kUnreadable;
  HistoryView view;
  view.drive = DriveText(*drive);
  view.minEffect = options.minEffect;
  view.from = judged->from;
  for (const StoredSession& s : judged->sessions) {
    view.sessions.push_back(s.summary);
  }
  judged->sessions.clear();
  view.conditions = std::move(judged->conditions);
  if (!options.since.empty()) KeepSince(options.since, view);
  view.madeAt = ReportTime();
  const std::unique_ptr<Reporter> reporter = MakeReporter(options.format);
  return WriteOutput(
             options.output,
             [&](std::ostream& out) { reporter->WriteHistory(view, out); })
             ? kAllRead
             : kUnreadable;
}

int CheckHistory(const HistoryOptions& options) {
  const std::unique_ptr<HistoryStore> store =
      OpenOrSay(options, HistoryStore::Mode::kRead);
  if (!store) return kUnreadable;
  const std::optional<std::vector<DriveSummary>> drives =
      MatchingDrives(*store, options);
  if (!drives) return kUnreadable;
  if (drives->empty()) {
    std::cout << "The history holds no session yet.\n";
    return kAllRead;
  }
  bool regressed = false;
  for (const DriveSummary& drive : *drives) {
    const std::optional<JudgedDrive> judged =
        Judge(*store, drive, options.minEffect, drives->size());
    if (!judged) return kUnreadable;
    const std::size_t count = judged->sessions.size();
    std::cout << "Drive " << DriveText(drive) << ": " << count
              << (count == 1 ? " session" : " sessions");
    if (judged->from > 0) {
      std::cout << ", judged from session "
                << judged->sessions[judged->from].summary.id
                << " on (a change accepted there)";
    }
    std::cout << '\n';
    if (count - judged->from < 2) {
      std::cout << "  nothing to compare the latest session with yet\n";
      continue;
    }
    bool machineSlower = false;
    const bool slower = SayChanges(*judged, options.minEffect, machineSlower);
    bool slowerRunByRun = false;
    if (!SayTooFew(*store, *judged, options.minEffect, slowerRunByRun)) {
      return kUnreadable;
    }
    if (!slower && !slowerRunByRun) {
      std::cout << (machineSlower ? "  the drive itself did not get slower\n"
                                  : "  nothing got slower\n");
    }
    regressed = regressed || slower;
  }
  return regressed ? kRegressed : kAllRead;
}

int AcceptChange(const HistoryOptions& options) {
  const std::unique_ptr<HistoryStore> store =
      OpenOrSay(options, HistoryStore::Mode::kWrite);
  if (!store) return kUnreadable;
  const std::optional<DriveSummary> drive = ChooseDrive(*store, options);
  if (!drive) return kUnreadable;
  std::string error;
  const std::vector<StoredSession> sessions =
      store->Sessions(drive->id, "", false, error);
  bool found = false;
  for (const StoredSession& s : sessions) {
    found = found || s.summary.id == *options.sinceSession;
  }
  if (error.empty() && !found) {
    PrintError("no session " + std::to_string(*options.sinceSession) +
               " of drive " + DriveText(*drive) + " in the history");
    return kUnreadable;
  }
  if (!error.empty() ||
      !store->Accept(drive->id, *options.sinceSession, error)) {
    PrintError(store->Where() + ": " + error);
    return kUnreadable;
  }
  std::cout << "Drive " << DriveText(*drive) << ": the change at session "
            << *options.sinceSession
            << " is accepted; the check judges from there on\n";
  return kAllRead;
}

int RemoveSessions(const HistoryOptions& options) {
  const std::unique_ptr<HistoryStore> store =
      OpenOrSay(options, HistoryStore::Mode::kWrite);
  if (!store) return kUnreadable;
  std::vector<long long> missing;
  std::string error;
  if (!store->Remove(options.sessions, missing, error)) {
    if (!missing.empty()) {
      std::string ids;
      for (const long long id : missing) {
        ids += (ids.empty() ? "" : ", ") + std::to_string(id);
      }
      PrintError("no session " + ids + " in the history; nothing removed");
    } else {
      PrintError(store->Where() + ": " + error);
    }
    return kUnreadable;
  }
  std::cout << "Removed " << options.sessions.size()
            << (options.sessions.size() == 1 ? " session" : " sessions")
            << " from the history\n";
  return kAllRead;
}

bool RecordSweep(const std::string& folder, const HistoryOptions& options) {
  std::string text;
  std::vector<Session> sessions;
  std::vector<std::string> findings;
  InputError readError;
  if (!ReadSessions(folder, text, sessions, findings, readError)) {
    return true;  // nothing finished, nothing to keep
  }
  for (const std::string& finding : findings) {
    PrintWarning(Where(folder, 0) + finding);
  }
  std::string path;
  std::string error;
  const std::unique_ptr<HistoryStore> store =
      OpenHistory(options, HistoryStore::Mode::kWrite, path, error);
  bool kept = store != nullptr;
  // --drive names one drive: a sweep of several keeps each under its own.
  const std::optional<std::string> named =
      sessions.size() == 1 ? options.drive : std::nullopt;
  if (options.drive && sessions.size() > 1) {
    PrintNote("--drive names one drive; the sweep's " +
              std::to_string(sessions.size()) +
              " drives are kept each under its file system's own name");
  }
  for (const Session& session : sessions) {
    long long id = 0;
    std::string drive;
    if (store && store->Add(session, named, id, drive, error) !=
                     HistoryStore::Added::kFailed) {
      PrintNote("kept in the history as session " + std::to_string(id) +
                " of drive " + drive);
      continue;
    }
    kept = false;
    break;
  }
  if (kept) return true;
  PrintWarning("the history was not written (" +
               (store ? store->Where() + ": " + error : error) +
               "); the runs are kept in " + folder);
  return false;
}
