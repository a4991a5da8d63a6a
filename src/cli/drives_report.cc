#include "cli/drives_report.h"

#include "cli/command_line.h"
#include "cli/history_command.h"
#include "cli/report_command.h"
#include "runner/sweep.h"
#include "runs/run_folder.h"

int RunDrivesReport(int argc, char** argv) {
  CommandLine commandLine;
  if (const std::optional<int> status =
          ParseCommandLine(argc, argv, commandLine)) {
    return *status;
  }
  using Command = CommandLine::Command;
  switch (commandLine.command) {
    case Command::kReport:
      return RunReport(commandLine.report);
    case Command::kHistoryList:
      return ListHistory(commandLine.history);
    case Command::kHistoryAdd:
      return AddToHistory(commandLine.history);
    case Command::kHistoryShow:
      return ShowHistory(commandLine.history);
    case Command::kHistoryCheck:
      return CheckHistory(commandLine.history);
    case Command::kHistoryAccept:
      return AcceptChange(commandLine.history);
    case Command::kHistoryRemove:
      return RemoveSessions(commandLine.history);
    case Command::kHistoryInit:
      return InitHistory(commandLine.history);
    case Command::kHistoryPush:
      return PushHistory(commandLine.history);
    case Command::kHistoryPull:
      return PullHistory(commandLine.history);
    case Command::kDevice:
      return RunDevice(commandLine.device);
    case Command::kRun:
      break;
  }
  std::string folder;
  const int status = RunSweep(commandLine.sweepOptions, folder);
  if (!IsRunFolder(folder)) return status;
  if (status != kSweepFailed) {
    // The statistics of the sweep, as drives-report FOLDER shows them later.
    ReportOptions report;
    report.inputs = {folder};
    RunReport(report);
  }
  // What finished is kept, after an interrupt or a failure too.
  const bool kept =
      commandLine.history.none || RecordSweep(folder, commandLine.history);
  return !kept && status == kSweepOk ? kSomeRunFailed : status;
}
