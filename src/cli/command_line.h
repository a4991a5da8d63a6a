// drives-report's command line: its commands, options and help.
#ifndef DRIVES_CLI_COMMAND_LINE_H_
#define DRIVES_CLI_COMMAND_LINE_H_

#include <optional>

#include "cli/device_command.h"
#include "cli/history_command.h"
#include "cli/report_command.h"
#include "runner/sweep.h"

struct CommandLine {
  enum class Command {
    kReport,         // drives-report INPUT...
    kRun,            // drives-report run ...
    kDevice,         // drives-report device [DIR]
    kHistoryList,    // drives-report history
    kHistoryAdd,     // drives-report history add INPUT...
    kHistoryShow,    // drives-report history show
    kHistoryCheck,   // drives-report history check
    kHistoryAccept,  // drives-report history accept --drive NAME --since N
    kHistoryRemove,  // drives-report history remove SESSION...
    kHistoryInit,    // drives-report history init
    kHistoryPush,    // drives-report history push FILE
    kHistoryPull,    // drives-report history pull FILE
  };
  Command command = Command::kReport;
  ReportOptions report;
  SweepOptions sweepOptions;
  DeviceOptions device;
  HistoryOptions history;  // of the history commands, and of run
};

// Fills `commandLine` from the arguments. Returns an exit status when there
// is nothing more to do: after --help or --version, or a usage error that it
// has already explained on standard error.
std::optional<int> ParseCommandLine(int argc, char** argv,
                                    CommandLine& commandLine);

#endif  // DRIVES_CLI_COMMAND_LINE_H_
