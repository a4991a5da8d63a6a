#include "cli/drives_report.h"

#include "cli/command_line.h"
#include "cli/history_command.h"
#include "cli/report_command.h"
#include "cli/run_command.h"

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
  return RunAndReport(commandLine.sweepOptions, commandLine.history);
}
