#include "cli/history_command.h"

#include <iostream>
#include <map>
#include <memory>

#include "cli/history_access.h"
#include "cli/output.h"
#include "cli/report_command.h"
#include "conclusions/disturbance.h"
#include "conclusions/history_judgement.h"
#include "history/history_copy.h"
#include "history/history_store.h"
#include "history/schema.h"
#include "history/server_location.h"
#include "history/server_store.h"
#include "history/session_reader.h"
#include "messages/messages.h"
#include "messages/utf8_text.h"
#include "reporters/figure_comparisons.h"
#include "reporters/history_view.h"
#include "reporters/reporter.h"

namespace {

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

// Adds one session read from `input`, and says so in a line; false where
// it could not be added (said).
bool AddOne(HistoryStore& store, const Session& session,
            const HistoryOptions& options, const std::string& input) {
  long long id = 0;
  std::string drive;
  std::string error;
  switch (store.Add(session, options.drive, id, drive, error)) {
    case HistoryStore::Added::kAdded:
      std::cout << Printable(input) << ": added as session " << id
                << " of drive " << Printable(drive) << " ("
                << session.runs.size()
                << (session.runs.size() == 1 ? " run" : " runs") << ")\n";
      return true;
    case HistoryStore::Added::kAlreadyThere:
      std::cout << Printable(input) << ": already in the history as session "
                << id << " of drive " << Printable(drive)
                << "; nothing added\n";
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
    std::cout << "No history yet at " << Printable(path) << ".\n";
    return kAllRead;
  }
  const std::optional<std::vector<DriveSummary>> drives =
      MatchingDrives(*store, options);
  if (!drives) return kUnreadable;
  std::cout << "History at " << Printable(store->Where()) << ":\n";
  for (const DriveSummary& drive : *drives) {
    const std::vector<StoredSession> sessions =
        store->Sessions(drive.id, "", false, error);
    if (!error.empty()) {
      PrintError(store->Where() + ": " + error);
      return kUnreadable;
    }
    std::cout << "\nDrive " << Printable(DriveText(drive)) << ": "
              << drive.sessions
              << (drive.sessions == 1 ? " session" : " sessions");
    if (drive.sessions > 0) {
      std::cout << ", " << Printable(drive.first) << " to "
                << Printable(drive.last);
    }
    std::cout << '\n';
    for (const StoredSession& s : sessions) {
      const SessionSummary& m = s.summary;
      // Every field as a file may hold it: shown escaped.
      std::cout << "  session " << m.id << "  " << Printable(m.started) << "  "
                << Printable(m.program) << "  threads "
                << Printable(m.threadCounts) << (m.settle ? "  settled" : "")
                << "  " << m.runs << (m.runs == 1 ? " run" : " runs") << "  "
                << Printable(m.fileSystem) << "  " << Printable(m.source)
                << '\n';
    }
  }
  return kAllRead;
}

int AddToHistory(const HistoryOptions& options) {
  const std::unique_ptr<HistoryStore> store =
      OpenOrSay(options, HistoryStore::Mode::kWrite);
  if (!store) return kUnreadable;
  int status = kAllRead;
  InputLoader loader(MarkDisturbed, false);
  for (const std::string& input : options.inputs) {
    std::vector<Session> sessions;
    InputError readError;
    std::vector<std::string> findings;
    const bool read =
        ReadSessions(input, loader, sessions, findings, readError);
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
  std::cout << "Drive " << Printable(DriveText(*drive))
            << ": the change at session " << *options.sinceSession
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

namespace {

// Adds the sweep's sessions to `store`; false at the first that could not
// be added, `error` saying why.
bool AddSessions(HistoryStore& store, const std::vector<Session>& sessions,
                 const std::optional<std::string>& drive, std::size_t& added,
                 std::string& error) {
  for (const Session& session : sessions) {
    long long id = 0;
    std::string name;
    if (store.Add(session, drive, id, name, error) ==
        HistoryStore::Added::kFailed) {
      return false;
    }
    PrintNote("kept in the history as session " + std::to_string(id) +
              " of drive " + name);
    ++added;
  }
  return true;
}

}  // namespace

bool RecordSweep(const std::string& folder, const HistoryOptions& options,
                 InputLoader& loader) {
  std::vector<Session> sessions;
  std::vector<std::string> findings;
  InputError readError;
  if (!ReadSessions(folder, loader, sessions, findings, readError)) {
    return true;  // nothing finished, nothing to keep
  }
  for (const std::string& finding : findings) {
    PrintWarning(Where(folder, 0) + finding);
  }
  // --drive names one drive: a sweep of several keeps each under its own.
  const std::optional<std::string> named =
      sessions.size() == 1 ? options.drive : std::nullopt;
  if (options.drive && sessions.size() > 1) {
    PrintNote("--drive names one drive; the sweep's " +
              std::to_string(sessions.size()) +
              " drives are kept each under its file system's own name");
  }
  std::string path;
  std::string error;
  std::size_t added = 0;
  const std::unique_ptr<HistoryStore> store =
      OpenHistory(options, HistoryStore::Mode::kWrite, path, error);
  if (store && AddSessions(*store, sessions, named, added, error)) return true;
  const std::string where = store ? store->Where() : MaskPassword(path);
  if (IsServerLocation(path)) {
    // Nothing measured is lost: what the server did not take goes into the
    // local history, to be pushed later.
    const std::optional<std::string> local = DefaultHistoryPath();
    std::string localError;
    const std::unique_ptr<HistoryStore> file =
        local
            ? HistoryStore::Open(*local, HistoryStore::Mode::kWrite, localError)
            : nullptr;
    const std::vector<Session> rest(sessions.begin() + static_cast<long>(added),
                                    sessions.end());
    std::size_t kept = 0;
    if (file && AddSessions(*file, rest, named, kept, localError)) {
      PrintWarning("the history server was not written (" + error +
                   "); the session is kept in " + *local +
                   ": push it later with drives-report history push " + *local +
                   " --history '" + where + "'");
      return false;
    }
  }
  PrintWarning("the history was not written (" +
               (store ? where + ": " + error : error) +
               "); the runs are kept in " + folder);
  return false;
}

int InitHistory(const HistoryOptions& options) {
  const std::string path = HistoryPath(options.path);
  if (IsServerLocation(path)) {
    std::string said;
    std::string error;
    if (!InitServer(path, said, error)) {
      PrintError(error);
      return kUnreadable;
    }
    std::cout << said << '\n';
    return kAllRead;
  }
  const std::unique_ptr<HistoryStore> store =
      OpenOrSay(options, HistoryStore::Mode::kWrite);
  if (!store) return kUnreadable;
  std::cout << store->Where() << ": the history file is ready (schema version "
            << kHistorySchemaVersion << ")\n";
  return kAllRead;
}

namespace {

// FILE's sessions into the history (push) or the history's into FILE
// (pull), each once.
int Copy(const HistoryOptions& options, bool push) {
  const std::string& file = options.inputs.front();
  std::string error;
  std::unique_ptr<HistoryStore> local = HistoryStore::Open(
      file, push ? HistoryStore::Mode::kRead : HistoryStore::Mode::kWrite,
      error);
  if (!local) {
    PrintError(error.empty() ? "no history at " + file : error);
    return kUnreadable;
  }
  const std::unique_ptr<HistoryStore> history = OpenOrSay(
      options, push ? HistoryStore::Mode::kWrite : HistoryStore::Mode::kRead);
  if (!history) return kUnreadable;
  HistoryStore& from = push ? *local : *history;
  HistoryStore& to = push ? *history : *local;
  CopyCount count;
  const bool done = CopyHistory(from, to, count, error);
  std::cout << from.Where() << ": " << count.added
            << (count.added == 1 ? " session" : " sessions") << " copied to "
            << to.Where() << ", " << count.alreadyThere << " already there\n";
  if (!done) {
    PrintError(error);
    return kUnreadable;
  }
  return kAllRead;
}

}  // namespace

int PushHistory(const HistoryOptions& options) { return Copy(options, true); }

int PullHistory(const HistoryOptions& options) { return Copy(options, false); }
