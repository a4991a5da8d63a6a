// The two report sinks, the console (standard output) and the results file,
// and the one way a line reaches them.
#ifndef DRIVES_DRIVER_REPORT_SINKS_H_
#define DRIVES_DRIVER_REPORT_SINKS_H_

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

// Open from start-up to the end of the process; never closed explicitly
// because every line is flushed as it is written.
extern std::ofstream resultsFile;

// Creates or truncates the results file in text mode. If that fails the run
// goes on and standard error says the results reach the console only.
void OpenResultsFile();

// Writes `line` and its line end to `sink` in one insertion, then flushes.
// One insertion keeps the line whole when another thread writes a line of its
// own to the console at the same moment. The first failed write to an open
// results file is reported on standard error.
void WriteLine(std::ostream& sink, const std::string& line);

// Writes `lines` to the console, then the same lines to `results`.
void WriteToBoth(std::ostream& results, const std::vector<std::string>& lines);

#endif  // DRIVES_DRIVER_REPORT_SINKS_H_
