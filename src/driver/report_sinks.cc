#include "driver/report_sinks.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "driver/build_tag.h"
#include "driver/texts.h"

std::ofstream resultsFile;

void OpenResultsFile() {
  errno = 0;
  resultsFile.open(kResultsFileName, std::ios::out | std::ios::trunc);
  if (resultsFile.is_open()) return;
  const int reason = errno;
  std::string message = std::string("cannot create the results file \"") +
                        kResultsFileName + "\"";
  if (reason != 0) message += std::string(" (") + std::strerror(reason) + ")";
  Warn(message + kResultsFileUnavailable);
}

void WriteLine(std::ostream& sink, const std::string& line) {
  sink << line + '\n' << std::flush;
}

void WriteToBoth(std::ostream& results, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) WriteLine(std::cout, line);
  for (const std::string& line : lines) WriteLine(results, line);
}

void Warn(const std::string& message) {
  std::cerr << std::string(kProgramName) + ": " + kWarningLead + message + '\n'
            << std::flush;
}
