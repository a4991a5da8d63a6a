#include "cli/history_command.h"

#include <iostream>
#include <memory>

#include "cli/output.h"
#include "cli/report_command.h"
#include "conclusions/verdict.h"
#include "history/history_store.h"
#include "history/session_reader.h"
#include "messages/messages.h"
#include "reporters/figure_comparisons.h"
#include "reporters/history_tables.h"
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

// The store for a command that reads it, or none with the error said.
std::unique_ptr<HistoryStore> OpenForReading(const HistoryOptions& options,
                                             std::string& path) {
  std::string error;
  std::unique_ptr<HistoryStore> store =
      OpenHistory(options, HistoryStore::Mode::kRead, path, error);
  if (!store) PrintError(error.empty() ? "no history at " + path : error);
  return store;
}

// The drive a command is about: the one named, else the only one.
bool ChooseDrive(HistoryStore& store, const HistoryOptions& options,
                 std::string& drive) {
  std::string error;
  const std::vector<DriveSummary> drives = store.Drives(error);
  if (!error.empty()) {
    PrintError(error);
    return false;
  }
  std::string names;
  for (const DriveSummary& d : drives) {
    if (options.drive && d.name == *options.drive) {
      drive = d.name;
      return true;
    }
    names += (names.empty() ? "" : ", ") + d.name;
  }
  if (options.drive) {
    PrintError("no drive named " + *options.drive + " in the history" +
               (names.empty() ? "" : " (" + names + ")"));
    return false;
  }
  if (drives.size() != 1) {
    PrintError(drives.empty() ? "the history holds no session yet"
                              : std::to_string(drives.size()) +
                                    " drives in the history; name one with "
                                    "--drive: " +
                                    names);
    return false;
  }
  drive = drives.front().name;
  return true;
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

// What `history check` finds for one figure at one thread count.
struct Finding {
  const HistorySeries* series = nullptr;
  std::size_t since = 0;  // index into the series' points
  std::optional<Step> step;
  FigureVerdict judged;
};

// The latest level of every figure against the one before it, with verdicts
// adjusted for all of them at once.
std::vector<Finding> JudgeLatest(const std::vector<StoredSession>& sessions,
                                 const HistoryView& view) {
  std::vector<Finding> findings;
  std::vector<Samples> samples;
  for (const HistorySeries& series : view.series) {
    const std::size_t n = series.points.size();
    if (n < 2 || series.points.back().session + 1 != sessions.size()) continue;
    Finding f;
    f.series = &series;
    // The latest level against the one before it: after the last lasting
    // change, else the latest session against all before it.
    std::size_t begin = 0;
    f.since = n - 1;
    if (!series.steps.empty()) {
      f.step = series.steps.back();
      f.since = f.step->at;
      if (series.steps.size() > 1) {
        begin = series.steps[series.steps.size() - 2].at;
      }
    }
    std::vector<double> before;
    std::vector<double> after;
    for (std::size_t p = begin; p < n; ++p) {
      const std::vector<double> values = SessionValues(
          sessions[series.points[p].session], series.threads, series.row);
      auto& side = p < f.since ? before : after;
      side.insert(side.end(), values.begin(), values.end());
    }
    samples.push_back({after, before});
    findings.push_back(f);
  }
  const std::vector<FigureVerdict> verdicts =
      JudgeFamily(samples, view.minEffect);
  std::vector<Finding> judged;
  for (std::size_t i = 0; i < findings.size(); ++i) {
    if (!verdicts[i].estimate) continue;
    findings[i].judged = verdicts[i];
    judged.push_back(findings[i]);
  }
  return judged;
}

// One line per figure that got slower, or recovered after a step; true when
// something got slower.
bool SayFindings(const std::vector<Finding>& findings,
                 const HistoryView& view) {
  int slower = 0;
  for (const Finding& f : findings) {
    const Verdict verdict = f.judged.verdict;
    const bool worse =
        verdict == Verdict::kSlower || verdict == Verdict::kSlowerSmall;
    const bool better =
        verdict == Verdict::kFaster || verdict == Verdict::kFasterSmall;
    if (!(worse || (better && f.step))) continue;
    const SessionSummary& since =
        view.sessions[f.series->points[f.since].session];
    const std::string where =
        f.series->row.Label() + " at " +
        (f.series->threads ? ThreadsText(*f.series->threads)
                           : std::string("default threads")) +
        ": " + RatioText(f.judged.estimate->ratio, f.judged.adjusted) +
        (f.step ? " since session " : " in the latest session, ") +
        std::to_string(since.id) + " (" + since.started + ")" +
        (f.step ? ", " + StepText(f.step->ratio) : "");
    std::cout << "  " << (worse ? "slower: " : "recovered: ") << where << '\n';
    slower += worse ? 1 : 0;
  }
  if (slower == 0) std::cout << "  nothing got slower\n";
  return slower > 0;
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
  const std::vector<DriveSummary> drives = store->Drives(error);
  const std::vector<StoredSession> sessions =
      store->Sessions(options.drive.value_or(""), "", false, error);
  if (!error.empty()) {
    PrintError(path + ": " + error);
    return kUnreadable;
  }
  std::cout << "History at " << path << ":\n";
  for (const DriveSummary& drive : drives) {
    if (options.drive && drive.name != *options.drive) continue;
    std::cout << "\nDrive " << drive.name << ": " << drive.sessions
              << (drive.sessions == 1 ? " session" : " sessions");
    if (drive.sessions > 0) {
      std::cout << ", " << drive.first << " to " << drive.last;
    }
    std::cout << '\n';
    for (const StoredSession& s : sessions) {
      const SessionSummary& m = s.summary;
      if (m.drive != drive.name) continue;
      std::cout << "  session " << m.id << "  " << m.started << "  "
                << m.program << "  threads " << m.threadCounts << "  " << m.runs
                << (m.runs == 1 ? " run" : " runs") << "  " << m.machine << "  "
                << m.fileSystem << "  " << m.source << '\n';
    }
  }
  return kAllRead;
}

int AddToHistory(const HistoryOptions& options) {
  std::string path;
  std::string error;
  const std::unique_ptr<HistoryStore> store =
      OpenHistory(options, HistoryStore::Mode::kWrite, path, error);
  if (!store) {
    PrintError(error);
    return kUnreadable;
  }
  int status = kAllRead;
  std::string text;
  for (const std::string& input : options.inputs) {
    Session session;
    InputError readError;
    if (!ReadSession(input, text, session, readError)) {
      PrintError(Where(input, readError.line) + readError.message);
      status = kUnreadable;
      continue;
    }
    long long id = 0;
    std::string drive;
    switch (store->Add(session, options.drive, id, drive, error)) {
      case HistoryStore::Added::kAdded:
        std::cout << input << ": added as session " << id << " of drive "
                  << drive << " (" << session.runs.size()
                  << (session.runs.size() == 1 ? " run" : " runs") << ")\n";
        break;
      case HistoryStore::Added::kAlreadyThere:
        std::cout << input << ": already in the history as session " << id
                  << " of drive " << drive << "; nothing added\n";
        break;
      case HistoryStore::Added::kFailed: {
        std::string message = Where(path, 0) + input;
        message += " was not added: ";
        message += error;
        PrintError(message);
        status = kUnreadable;
        break;
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
  std::string path;
  std::string error;
  const std::unique_ptr<HistoryStore> store = OpenForReading(options, path);
  if (!store) return kUnreadable;
  std::string drive;
  if (!ChooseDrive(*store, options, drive)) return kUnreadable;
  const std::vector<StoredSession> sessions =
      store->Sessions(drive, options.since, true, error);
  if (!error.empty()) {
    PrintError(path + ": " + error);
    return kUnreadable;
  }
  HistoryView view = MakeHistoryView(drive, sessions, options.minEffect);
  view.madeAt = ReportTime();
  const std::unique_ptr<Reporter> reporter = MakeReporter(options.format);
  return WriteOutput(
             options.output,
             [&](std::ostream& out) { reporter->WriteHistory(view, out); })
             ? kAllRead
             : kUnreadable;
}

int CheckHistory(const HistoryOptions& options) {
  std::string path;
  std::string error;
  const std::unique_ptr<HistoryStore> store = OpenForReading(options, path);
  if (!store) return kUnreadable;
  std::vector<std::string> drives;
  if (options.drive) {
    std::string drive;
    if (!ChooseDrive(*store, options, drive)) return kUnreadable;
    drives.push_back(drive);
  } else {
    for (const DriveSummary& d : store->Drives(error)) drives.push_back(d.name);
    if (!error.empty()) {
      PrintError(Where(path, 0) + error);
      return kUnreadable;
    }
  }
  bool regressed = false;
  for (const std::string& drive : drives) {
    const std::vector<StoredSession> sessions =
        store->Sessions(drive, "", true, error);
    if (!error.empty()) {
      PrintError(Where(path, 0) + error);
      return kUnreadable;
    }
    std::cout << "Drive " << drive << ": " << sessions.size()
              << (sessions.size() == 1 ? " session" : " sessions") << '\n';
    if (sessions.size() < 2) {
      std::cout << "  nothing to compare the latest session with yet\n";
      continue;
    }
    const HistoryView view =
        MakeHistoryView(drive, sessions, options.minEffect);
    if (SayFindings(JudgeLatest(sessions, view), view)) regressed = true;
  }
  return regressed ? kRegressed : kAllRead;
}

bool RecordSweep(const std::string& folder, const HistoryOptions& options) {
  std::string text;
  RunFolder read;
  InputError readError;
  if (!ReadRunFolder(folder, text, read, readError) || read.records.empty()) {
    return true;  // nothing finished, nothing to keep
  }
  std::string path;
  std::string error;
  const std::unique_ptr<HistoryStore> store =
      OpenHistory(options, HistoryStore::Mode::kWrite, path, error);
  long long id = 0;
  std::string drive;
  if (store && store->Add(SessionOfFolder(folder, read), options.drive, id,
                          drive, error) != HistoryStore::Added::kFailed) {
    PrintNote("kept in the history as session " + std::to_string(id) +
              " of drive " + drive);
    return true;
  }
  PrintWarning("the history was not written (" +
               (store ? path + ": " + error : error) +
               "); the runs are kept in " + folder);
  return false;
}
