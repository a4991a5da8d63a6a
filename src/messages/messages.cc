#include "messages/messages.h"

#include <iostream>

#include "messages/utf8_text.h"

namespace {

void Print(const char* kind, const std::string& what) {
  // One insertion per line, so that lines stay whole; names from files and
  // users neither break the line nor drive the terminal.
  std::cerr << std::string(kReportProgram) + ": " + kind + Printable(what) +
                   '\n'
            << std::flush;
}

}  // namespace

void PrintError(const std::string& what) { Print("error: ", what); }
void PrintWarning(const std::string& what) { Print("warning: ", what); }
void PrintNote(const std::string& what) { Print("", what); }

std::string Where(const std::string& source, int line) {
  return source + ": " +
         (line > 0 ? "line " + std::to_string(line) + ": " : "");
}
