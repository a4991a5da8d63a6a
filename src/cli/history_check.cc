// drives-report history check: each drive's series judged, shown in the
// format asked for, and kept in the checks table with --record.
#include <map>

#include "cli/history_access.h"
#include "cli/history_command.h"
#include "cli/output.h"
#include "cli/report_command.h"
#include "messages/messages.h"
#include "reporters/check_text.h"
#include "reporters/reporter.h"

namespace {

// The check of one drive; none where the history cannot be read (said).
std::optional<DriveCheck> CheckOne(HistoryStore& store,
                                   const DriveSummary& drive,
                                   const HistoryOptions& options,
                                   std::size_t drives) {
  const std::optional<JudgedDrive> judged =
      Judge(store, drive, options.minEffect, drives);
  if (!judged) return std::nullopt;
  std::map<std::size_t, Session> loaded;
  const SessionLoader load = [&](std::size_t s) -> const Session* {
    auto found = loaded.find(s);
    if (found != loaded.end()) return &found->second;
    std::string error;
    std::optional<Session> session =
        store.Load(judged->sessions[s].summary.id, error);
    if (!session) {
      PrintError(
          store.Where() + ": " +
          (error.empty() ? "a session vanished while it was read" : error));
      return nullptr;
    }
    return &loaded.emplace(s, std::move(*session)).first->second;
  };
  return CheckDrive(*judged, options.minEffect, load);
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
        CheckOne(*store, drive, options, drives->size());
    if (!check) return kUnreadable;
    regressed = regressed || check->slower;
    checks.push_back(std::move(*check));
  }
  if (options.record) {
    std::vector<CheckRecord> all;
    for (const DriveCheck& c : checks) {
      const std::vector<CheckRecord> records = CheckRecords(c);
      all.insert(all.end(), records.begin(), records.end());
    }
    std::string error;
    if (!store->Record(all, error)) {
      PrintError(store->Where() + ": the check was not recorded: " + error);
      return kUnreadable;
    }
  }
  const std::unique_ptr<Reporter> reporter = MakeReporter(options.format);
  const bool written = WriteOutput(options.output, [&](std::ostream& out) {
    reporter->WriteCheck(checks, out);
  });
  if (!written) return kUnreadable;
  return regressed ? kRegressed : kAllRead;
}
