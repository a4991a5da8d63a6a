// One session of the history: the runs of one sweep (or one results file)
// on one drive, with what identifies the drive and the figures of every
// run, as the history keeps them.
#ifndef DRIVES_HISTORY_SESSION_H_
#define DRIVES_HISTORY_SESSION_H_

#include <optional>
#include <string>
#include <vector>

#include "device/drive_ceiling.h"
#include "machine/machine_description.h"

// One figure of one run: "single.byte_write", 183.2, "MB/s".
struct SessionFigure {
  std::string figure;
  double value = 0;
  std::string unit;
};

// What a run measured: the drive under test, or the memory-backed control
// run beside it.
constexpr char kDriveRole[] = "drive";
constexpr char kControlRole[] = "control";
// Of a session's summaries only: each drive run over its control run of
// the same round, the part of the figure that is the drive's.
constexpr char kControlledRole[] = "controlled";

struct SessionRun {
  int number = 0;              // in its sweep, from 1
  std::optional<int> threads;  // as the run printed it
  bool disturbed = false;
  std::vector<SessionFigure> figures;
  std::optional<int> clients;  // of a multi-client run: how many
  std::string role = kDriveRole;
  int round = 0;  // of its sweep: pairs a drive run with its control run
};

// One figure of a session at one role, client count and thread count,
// summarised over its runs: what the history is judged by.
struct SessionFigureSummary {
  std::string role = kDriveRole;
  std::optional<int> clients;
  std::optional<int> threads;
  std::string figure;
  std::string unit;
  int runs = 0;
  double median = 0;
  std::optional<double> low;  // the median's interval, from 2 runs on
  std::optional<double> high;
};

struct Session {
  std::string started;         // UTC, ISO 8601
  MachineDescription machine;  // host, its ID, file system, device, model
  std::string directory;       // where the benchmark ran, where known
  std::string program;         // "drives64"
  std::optional<int> wordSize;
  std::vector<int> threadCounts;
  bool settle = false;      // --settle: written data flushed before each run
  std::string source;       // the input it was read from
  std::string contentHash;  // of that input: the same input twice is one
  std::optional<std::string> manifest;  // the run folder's, as JSON
  std::vector<SessionRun> runs;
  DriveCeiling ceiling;
};

// Every figure of `runs`, summarised at each role, client count and thread
// count: its median over the runs and that median's interval; and where a
// drive run has a control run of the same round, their ratio as the role
// kControlledRole.
std::vector<SessionFigureSummary> Summarise(
    const std::vector<SessionRun>& runs);

#endif  // DRIVES_HISTORY_SESSION_H_
