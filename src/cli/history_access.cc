#include "cli/history_access.h"

#include "messages/messages.h"

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

std::unique_ptr<HistoryStore> OpenOrSay(const HistoryOptions& options,
                                        HistoryStore::Mode mode) {
  std::string path;
  std::string error;
  std::unique_ptr<HistoryStore> store = OpenHistory(options, mode, path, error);
  if (!store) PrintError(error.empty() ? "no history at " + path : error);
  return store;
}

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
