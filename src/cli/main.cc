// drives-report: reads, checks, compares and exports the results of the
// drives64 and drives32 benchmarks.
#include <exception>
#include <iostream>
#include <string>

#include "cli/drives_report.h"
#include "cli/report_command.h"
#include "messages/messages.h"

int main(int argc, char** argv) {
  // Standard output buffered on its own, not through C's stdio a piece at
  // a time: reports run to hundreds of megabytes. Standard error is tied
  // to it, so that the lines of both still come in order.
  std::ios::sync_with_stdio(false);
  // Nothing is meant to throw; should something, it ends in one line, not
  // in an abort.
  try {
    return RunDrivesReport(argc, argv);
  } catch (const std::exception& e) {
    PrintError(std::string("internal error: ") + e.what());
  } catch (...) {
    PrintError("internal error");
  }
  return kUnreadable;
}
