#include "driver/warnings.h"

#include <cstring>
#include <iostream>

#include "driver/build_tag.h"
#include "driver/texts.h"

void Warn(const std::string& what, int error, const char* consequence) {
  std::string line = std::string(kProgramName) + ": " + kWarningLead + what;
  if (error != 0) line += std::string(" (") + std::strerror(error) + ")";
  // One insertion, so that warnings of concurrent threads stay whole lines.
  std::cerr << line + consequence + '\n' << std::flush;
}

void WarnStreamFailure(const char* test, int thread, const char* action,
                       const char* fileName, int error) {
  std::string what = std::string("the ") + test + " test";
  if (thread != kNoThread) what += " on thread " + std::to_string(thread);
  what += std::string(" failed to ") + action + " \"" + fileName + "\"";
  Warn(what, error, kFigureNotValid);
}

void WarnNoBulkBuffer(const char* fileName, std::size_t size) {
  Warn("cannot allocate " + std::to_string(size) + " bytes to read \"" +
           fileName + "\" in one request",
       0, kFigureNotValid);
}
