// drives-report history: every session kept per drive, its figures over
// time, and whether the latest session got slower.
#ifndef DRIVES_CLI_HISTORY_COMMAND_H_
#define DRIVES_CLI_HISTORY_COMMAND_H_

#include <optional>
#include <string>
#include <vector>

struct HistoryOptions {
  std::string path;   // --history; empty: $DRIVES_HISTORY, else the default
  bool none = false;  // --no-history (drives-report run)
  std::optional<std::string> drive;  // --drive
  std::string since;                 // --since DATE
  std::vector<std::string> inputs;   // history add
  double minEffect = 0.05;
  std::string format = "table";
  std::string output;
};

// Exit status of history check when a figure got slower.
constexpr int kRegressed = 3;

int ListHistory(const HistoryOptions& options);
int AddToHistory(const HistoryOptions& options);
int ShowHistory(const HistoryOptions& options);
int CheckHistory(const HistoryOptions& options);

// After a sweep: adds its run folder to the history; false, with one
// warning said, when it could not be added.
bool RecordSweep(const std::string& folder, const HistoryOptions& options);

#endif  // DRIVES_CLI_HISTORY_COMMAND_H_
