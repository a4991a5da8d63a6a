#include "driver/report_sinks.h"

#include <cerrno>
#include <iostream>

#include "driver/build_tag.h"
#include "driver/texts.h"
#include "driver/warnings.h"

std::ofstream resultsFile;

namespace {

// Whether a failed write to the results file has been reported. Only one
// thread writes to the results file at a time.
bool resultsFailureReported = false;

std::string QuotedResultsFileName() {
  return std::string("the results file \"") + kResultsFileName + "\"";
}

}  // namespace

void OpenResultsFile() {
  errno = 0;
  resultsFile.open(kResultsFileName, std::ios::out | std::ios::trunc);
  if (resultsFile.is_open()) return;
  Warn("cannot create " + QuotedResultsFileName(), errno,
       kResultsFileUnavailable);
}

void WriteLine(std::ostream& sink, const std::string& line) {
  errno = 0;
  sink << line + '\n' << std::flush;
  if (&sink == &resultsFile && resultsFile.is_open() && resultsFile.fail() &&
      !resultsFailureReported) {
    resultsFailureReported = true;
    Warn("cannot write to " + QuotedResultsFileName(), errno,
         kResultsFileFailing);
  }
}

void WriteToBoth(std::ostream& results, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) WriteLine(std::cout, line);
  for (const std::string& line : lines) WriteLine(results, line);
}
