// drives-report history: every session kept per drive, its figures over
// time, whether a drive got slower, and the user's hand on it (a change
// accepted, a wrong session removed).
#ifndef DRIVES_CLI_HISTORY_COMMAND_H_
#define DRIVES_CLI_HISTORY_COMMAND_H_

#include <optional>
#include <string>
#include <vector>

#include "runs/input_loader.h"

struct HistoryOptions {
  std::string path;   // --history; empty: $DRIVES_HISTORY, else the default
  bool none = false;  // --no-history (drives-report run)
  std::optional<std::string> drive;       // --drive
  std::optional<std::string> machine;     // --machine: its host name
  std::string since;                      // --since DATE (history show)
  std::optional<long long> sinceSession;  // --since SESSION (history accept)
  std::vector<std::string> inputs;        // history add
  std::vector<long long> sessions;        // history remove
  double minEffect = 0.05;
  std::string format = "table";
  std::string output;
  bool record = false;  // history check --record: keep its findings
};

// Exit status of history check when a figure got slower.
constexpr int kRegressed = 3;

int ListHistory(const HistoryOptions& options);
int AddToHistory(const HistoryOptions& options);
int ShowHistory(const HistoryOptions& options);
int CheckHistory(const HistoryOptions& options);
int AcceptChange(const HistoryOptions& options);
int RemoveSessions(const HistoryOptions& options);
// history init: the history made ready (on a server, its tables).
int InitHistory(const HistoryOptions& options);
// history push FILE / pull FILE: FILE's sessions copied into the history,
// or the history's into FILE.
int PushHistory(const HistoryOptions& options);
int PullHistory(const HistoryOptions& options);

// After a sweep: adds its run folder, as `loader` reads it, to the history;
// false, with one warning said, when it could not be added.
bool RecordSweep(const std::string& folder, const HistoryOptions& options,
                 InputLoader& loader);

#endif  // DRIVES_CLI_HISTORY_COMMAND_H_
