// The report: reads every input, says on standard error what is wrong with
// each, and writes the comparison of those it could read in one format.
#ifndef DRIVES_CLI_REPORT_COMMAND_H_
#define DRIVES_CLI_REPORT_COMMAND_H_

#include <optional>
#include <string>
#include <vector>

#include "runs/input_loader.h"

struct ReportOptions {
  std::vector<std::string> inputs;  // paths, "-" for standard input
  std::vector<std::string> labels;  // for the first inputs, in order
  std::string format = "table";
  std::optional<std::size_t> baseline;  // 1-based; default: the first input
  bool strict = false;                  // any finding is an error
  std::string output;                   // a file; empty: standard output
  double minEffect = 0.05;              // smaller differences are the same
  bool details = false;                 // every statistic
  bool excludeDisturbed = false;        // leave disturbed runs out
};

// Exit statuses.
constexpr int kAllRead = 0;
constexpr int kStrictFailed = 1;  // a finding or partial input under --strict
constexpr int kUnreadable = 2;    // some input could not be read at all,
                                  // a comparison could not be made, or the
                                  // report could not be written

int RunReport(const ReportOptions& options);
// The same, the inputs read through `loader`.
int RunReport(const ReportOptions& options, InputLoader& loader);

#endif  // DRIVES_CLI_REPORT_COMMAND_H_
