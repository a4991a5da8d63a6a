#include "cli/output.h"

#include <ctime>
#include <iostream>

#include "files/whole_file.h"
#include "messages/messages.h"

bool WriteOutput(const std::string& output,
                 const std::function<void(std::ostream&)>& write) {
  if (output.empty()) {
    write(std::cout);
    std::cout.flush();
    if (std::cout) return true;
    PrintError("cannot write the report to standard output");
    return false;
  }
  std::string error;
  if (WriteWholeFile(output, write, error)) return true;
  PrintError(error);
  return false;
}

std::string ReportTime() {
  const std::time_t now = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));
  return text;
}
