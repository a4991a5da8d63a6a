// One session of the history: the runs of one sweep (or one results file)
// on one drive, with what identifies the drive and the figures of every
// run, as the history keeps them.
#ifndef DRIVES_HISTORY_SESSION_H_
#define DRIVES_HISTORY_SESSION_H_

#include <optional>
#include <string>
#include <vector>

#include "machine/machine_description.h"

// One figure of one run: "single.byte_write", 183.2, "MB/s".
struct SessionFigure {
  std::string figure;
  double value = 0;
  std::string unit;
};

struct SessionRun {
  int number = 0;              // in its sweep, from 1
  std::optional<int> threads;  // as the run printed it
  bool disturbed = false;
  std::vector<SessionFigure> figures;
};

struct Session {
  std::string started;         // UTC, ISO 8601
  MachineDescription machine;  // host, file system and its ID, device, model
  std::string directory;       // where the benchmark ran, where known
  std::string program;         // "drives64"
  std::optional<int> wordSize;
  std::vector<int> threadCounts;
  std::string source;       // the input it was read from
  std::string contentHash;  // of that input: the same input twice is one
  std::optional<std::string> manifest;  // the run folder's, as JSON
  std::vector<SessionRun> runs;
};

#endif  // DRIVES_HISTORY_SESSION_H_
