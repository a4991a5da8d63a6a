#include "history/session_reader.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>

#include "machine/system_info.h"
#include "results/figure_rows.h"
#include "results/results_reader.h"
#include "results/tagged_names.h"

namespace fs = std::filesystem;

namespace {

// A run's figures as the history keeps them: positive finite numbers. What
// is not one is left out and named.
SessionRun RunOf(const RunRecord& record, int number, bool disturbed,
                 std::vector<std::string>& findings, int round = 0) {
  SessionRun run;
  run.number = number;
  run.round = round;
  run.threads = record.threadCount;
  run.disturbed = disturbed;
  run.clients = record.clients;
  // What the reader doubted (a figure it could not read is left out).
  for (const Finding& f : record.findings) {
    findings.push_back("run " + std::to_string(number) + ": line " +
                       std::to_string(f.line) + ": " + f.check + ": expected " +
                       f.expected + ", found " + f.found);
  }
  for (const FigureRow& row : ComparedFigures()) {
    if (!row.Compares()) continue;
    const std::optional<double> value = row.Value(record);
    if (!value) continue;
    if (std::isfinite(*value) && *value > 0) {
      run.figures.push_back({row.Key(), *value, row.Unit()});
      continue;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%g", *value);
    findings.push_back("run " + std::to_string(number) + ": " + row.Label() +
                       " is " + text +
                       ", not a positive finite number; left out");
  }
  return run;
}

// Whether `text` is an ISO 8601 UTC time the history can sort by:
// "2026-12-09T14:00:00Z", or at least its date.
bool ReadableTime(const std::string& text) {
  if (text.size() < 10) return false;
  for (std::size_t i = 0; i < text.size() && i < 19; ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    const char expected = i == 4 || i == 7     ? '-'
                          : i == 10            ? 'T'
                          : i == 13 || i == 16 ? ':'
                                               : '0';
    if (expected == '0' ? !digit : c != expected) return false;
  }
  return true;
}

// Where the input lies, as this machine sees it.
MachineDescription Location(const std::string& path) {
  std::error_code code;
  fs::path where = fs::absolute(path, code);
  if (!fs::is_directory(where, code)) where = where.parent_path();
  return DescribeMachine(where.string());
}

std::string ModifiedUtc(const std::string& path) {
  std::error_code code;
  const auto written = fs::last_write_time(path, code);
  std::time_t when = std::time(nullptr);
  if (!code) {
    when = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            written - fs::file_time_type::clock::now() +
            std::chrono::system_clock::now()));
  }
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&when));
  return text;
}

void FillProgram(Session& session, const std::vector<RunRecord>& records) {
  std::set<int> counts(session.threadCounts.begin(),
                       session.threadCounts.end());
  for (const RunRecord& record : records) {
    if (!session.wordSize) session.wordSize = record.tag;
    if (record.threadCount) counts.insert(*record.threadCount);
  }
  if (session.wordSize) session.program = ProgramName(*session.wordSize);
  session.threadCounts.assign(counts.begin(), counts.end());
}

}  // namespace

Session SessionOfFolder(const std::string& source, const RunFolder& folder,
                        std::vector<std::string>& findings) {
  const Manifest& m = folder.manifest;
  Session session;
  session.source = source;
  session.contentHash = folder.contentHash;
  session.manifest = folder.manifestText;
  session.started = ModifiedUtc(source);
  if (ReadableTime(m.created)) {
    session.started = m.created;
  } else if (!m.created.empty()) {
    findings.push_back("the manifest's start time \"" + m.created +
                       "\" is not a UTC time; the folder's is kept (" +
                       session.started + ")");
  }
  session.directory = m.directory;
  session.wordSize = m.wordSize;
  session.settle = m.settle;
  session.machine = m.machine.fileSystemId ? m.machine : Location(source);
  if (!session.machine.machineId)
    session.machine.machineId = m.machine.machineId;
  for (std::size_t r = 0; r < folder.records.size(); ++r) {
    session.runs.push_back(RunOf(folder.records[r], folder.marks[r].number,
                                 folder.marks[r].disturbed, findings,
                                 folder.marks[r].round));
  }
  // The thread counts the sweep asked for, else those the runs printed.
  for (const std::optional<int>& count : m.threadCounts) {
    if (count) session.threadCounts.push_back(*count);
  }
  FillProgram(session, folder.records);
  return session;
}

bool HasFigures(const Session& session) {
  for (const SessionRun& run : session.runs) {
    if (!run.figures.empty()) return true;
  }
  return false;
}

bool ReadSession(const std::string& source, InputLoader& loader,
                 Session& session, std::vector<std::string>& findings,
                 InputError& error) {
  LoadedInput loaded;
  if (!loader.Load(source, loaded, error)) return false;
  if (loaded.folder) {
    if (loaded.runs.records.empty()) {
      error = {0, "no run of the folder finished"};
      return false;
    }
    session = SessionOfFolder(source, loaded.runs, findings);
  } else {
    const RunRecord& record = loaded.runs.records.front();
    session = Session{};
    session.source = source;
    session.contentHash = loaded.runs.contentHash;
    const bool standardInput = source == kStandardInput;
    session.started = ModifiedUtc(standardInput ? "" : source);
    session.machine = Location(standardInput ? "." : source);
    std::error_code code;
    session.directory =
        fs::absolute(standardInput ? "." : source, code).parent_path().string();
    session.runs.push_back(RunOf(record, 1, false, findings));
    FillProgram(session, {record});
  }
  if (!HasFigures(session)) {
    error = {0, "no figure of it is a positive finite number; nothing to keep"};
    return false;
  }
  return true;
}

bool ReadSessions(const std::string& source, InputLoader& loader,
                  std::vector<Session>& sessions,
                  std::vector<std::string>& findings, InputError& error) {
  const std::vector<SweepDirectory> directories = SweepDirectoriesOf(source);
  if (directories.empty()) {
    Session session;
    if (!ReadSession(source, loader, session, findings, error)) return false;
    sessions.push_back(std::move(session));
    return true;
  }
  // A sweep of several directories: a session for each drive, with the
  // memory control's runs beside each.
  std::vector<SessionRun> control;
  for (const SweepDirectory& d : directories) {
    if (d.role != kControlDirectoryRole) continue;
    LoadedInput folder;
    InputError ignored;
    if (!loader.Load(d.folder, folder, ignored)) continue;
    for (SessionRun& run :
         SessionOfFolder(d.folder, folder.runs, findings).runs) {
      run.role = kControlRole;
      control.push_back(std::move(run));
    }
  }
  for (const SweepDirectory& d : directories) {
    if (d.role == kControlDirectoryRole) continue;
    Session session;
    InputError readError;
    if (!ReadSession(d.folder, loader, session, findings, readError)) {
      findings.push_back(d.folder + ": " + readError.message);
      continue;
    }
    session.runs.insert(session.runs.end(), control.begin(), control.end());
    sessions.push_back(std::move(session));
  }
  if (sessions.empty()) {
    error = {0, "no directory of the sweep has a figure to keep"};
    return false;
  }
  return true;
}
