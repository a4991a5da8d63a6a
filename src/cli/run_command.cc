#include "cli/run_command.h"

#include "cli/report_command.h"
#include "conclusions/disturbance.h"
#include "runs/run_folder.h"

int RunAndReport(const SweepOptions& sweep, const HistoryOptions& history) {
  std::string folder;
  const int status = RunSweep(sweep, folder);
  if (!IsRunFolder(folder)) return status;
  InputLoader loader(MarkDisturbed, true);
  if (status != kSweepFailed) {
    // The statistics of the sweep, as drives-report FOLDER shows them later.
    ReportOptions report;
    report.inputs = {folder};
    RunReport(report, loader);
  }
  // What finished is kept, after an interrupt or a failure too.
  const bool kept = history.none || RecordSweep(folder, history, loader);
  return !kept && status == kSweepOk ? kSomeRunFailed : status;
}
