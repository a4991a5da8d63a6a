// Where a report goes (standard output, or a file written whole or not at
// all), and the time it says it was made.
#ifndef DRIVES_CLI_OUTPUT_H_
#define DRIVES_CLI_OUTPUT_H_

#include <functional>
#include <ostream>
#include <string>

// Writes what `write` writes to `output` (standard output when empty);
// false, with the error said, when it could not.
bool WriteOutput(const std::string& output,
                 const std::function<void(std::ostream&)>& write);

// Now, for a report's reader: "2026-12-09 14:05 UTC".
std::string ReportTime();

#endif  // DRIVES_CLI_OUTPUT_H_
