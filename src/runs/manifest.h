// The manifest of a run folder (manifest.json): what was run, where, on
// what machine, and every run's outcome and files. Written after every run,
// so that an interrupted sweep keeps what it finished.
#ifndef DRIVES_RUNS_MANIFEST_H_
#define DRIVES_RUNS_MANIFEST_H_

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "runs/machine_description.h"

constexpr char kManifestName[] = "manifest.json";
constexpr char kManifestSchema[] = "drives-runs/1";

// How one run ended.
enum class RunStatus { kOk, kFailed, kTimedOut, kInterrupted };

struct RunEntry {
  int index = 0;               // 1, 2, ... in the order run
  std::optional<int> threads;  // OMP_NUM_THREADS; none: the default
  std::string start;           // UTC, ISO 8601
  double wallSeconds = 0;
  RunStatus status = RunStatus::kOk;
  std::optional<int> exitStatus;
  std::optional<int> signal;  // the signal that ended it, where one did
  std::string reason;         // why it failed, for people
  std::string resultsFile;    // names inside the folder; empty: none kept
  std::string consoleFile;
  std::string errorFile;  // its standard error
};

struct Manifest {
  std::string programPath;
  std::optional<int> wordSize;  // the program's tag, once a run showed it
  std::vector<std::string> command;
  std::string directory;  // where the program ran
  std::string created;    // UTC, ISO 8601
  int runsPerCount = 0;
  std::vector<std::optional<int>> threadCounts;
  double timeoutSeconds = 0;
  bool dropCaches = false;
  MachineDescription machine;
  std::vector<RunEntry> runs;
  bool complete = false;  // every planned run was made
};

nlohmann::ordered_json MachineToJson(const MachineDescription& machine);
nlohmann::ordered_json ManifestToJson(const Manifest& manifest);
const char* RunStatusName(RunStatus status);

// Reads `text` as a manifest; false with `error` set if it is not one.
bool ManifestFromJson(const std::string& text, Manifest& manifest,
                      std::string& error);

#endif  // DRIVES_RUNS_MANIFEST_H_
