// What drives-report says on standard error: one line each, prefixed with
// the program's name.
#ifndef DRIVES_MESSAGES_MESSAGES_H_
#define DRIVES_MESSAGES_MESSAGES_H_

#include <string>

constexpr char kReportProgram[] = "drives-report";

// "drives-report: error: <what>"
void PrintError(const std::string& what);
// "drives-report: warning: <what>"
void PrintWarning(const std::string& what);
// "drives-report: <what>": progress and notes.
void PrintNote(const std::string& what);

// "<source>: line <n>: " (no line part when `line` is 0).
std::string Where(const std::string& source, int line);

#endif  // DRIVES_MESSAGES_MESSAGES_H_
