#include "history/session_reader.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <set>

#include "files/content_hash.h"
#include "machine/system_info.h"
#include "results/figure_rows.h"
#include "results/results_reader.h"
#include "results/tagged_names.h"

namespace fs = std::filesystem;

namespace {

SessionRun RunOf(const RunRecord& record, int number, bool disturbed) {
  SessionRun run{number, record.threadCount, disturbed, {}};
  for (const FigureRow& row : ComparedFigures()) {
    if (!row.Compares()) continue;
    const std::optional<double> value = row.Value(record);
    // What SQLite cannot keep as a number (not a number) is left out.
    if (value && std::isfinite(*value)) {
      run.figures.push_back({row.Key(), *value, row.Unit()});
    }
  }
  return run;
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

Session SessionOfFolder(const std::string& source, const RunFolder& folder) {
  const Manifest& m = folder.manifest;
  Session session;
  session.source = source;
  session.contentHash = folder.contentHash;
  session.manifest = folder.manifestText;
  session.started = m.created.empty() ? ModifiedUtc(source) : m.created;
  session.directory = m.directory;
  session.wordSize = m.wordSize;
  session.machine = m.machine.fileSystemId ? m.machine : Location(source);
  for (std::size_t r = 0; r < folder.records.size(); ++r) {
    session.runs.push_back(RunOf(folder.records[r], folder.marks[r].number,
                                 folder.marks[r].disturbed));
  }
  // The thread counts the sweep asked for, else those the runs printed.
  for (const std::optional<int>& count : m.threadCounts) {
    if (count) session.threadCounts.push_back(*count);
  }
  FillProgram(session, folder.records);
  return session;
}

bool ReadSession(const std::string& source, std::string& text, Session& session,
                 InputError& error) {
  if (IsRunFolder(source)) {
    RunFolder folder;
    if (!ReadRunFolder(source, text, folder, error)) return false;
    if (folder.records.empty()) {
      error = {0, "no run of the folder finished"};
      return false;
    }
    session = SessionOfFolder(source, folder);
    return true;
  }
  std::optional<RunRecord> record;
  if (LoadInputText(source, text, error) && CheckInputText(text, error)) {
    record = ReadRunRecord(text, source, error);
  }
  if (!record) return false;
  ContentHash hash;
  hash.Add(text);
  session = Session{};
  session.source = source;
  session.contentHash = hash.Text();
  const bool standardInput = source == kStandardInput;
  session.started = ModifiedUtc(standardInput ? "" : source);
  session.machine = Location(standardInput ? "." : source);
  std::error_code code;
  session.directory =
      fs::absolute(standardInput ? "." : source, code).parent_path().string();
  session.runs.push_back(RunOf(*record, 1, false));
  FillProgram(session, {*record});
  return true;
}
