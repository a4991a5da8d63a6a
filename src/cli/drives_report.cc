#include "cli/drives_report.h"

#include "cli/command_line.h"
#include "cli/report_command.h"
#include "runner/sweep.h"
#include "runs/run_folder.h"

int RunDrivesReport(int argc, char** argv) {
  CommandLine commandLine;
  if (const std::optional<int> status =
          ParseCommandLine(argc, argv, commandLine)) {
    return *status;
  }
  if (!commandLine.sweep) return RunReport(commandLine.report);
  std::string folder;
  const int status = RunSweep(commandLine.sweepOptions, folder);
  if (status == kSweepFailed || !IsRunFolder(folder)) return status;
  // The statistics of the sweep, as drives-report FOLDER shows them later.
  ReportOptions report;
  report.inputs = {folder};
  RunReport(report);
  return status;
}
