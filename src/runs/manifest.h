// The manifest of a run folder (manifest.json): what was run, where, on
// what machine, and every run's outcome and files. Written after every run,
// so that an interrupted sweep keeps what it finished.
#ifndef DRIVES_RUNS_MANIFEST_H_
#define DRIVES_RUNS_MANIFEST_H_

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "device/drive_ceiling.h"
#include "machine/machine_description.h"

constexpr char kManifestName[] = "manifest.json";
constexpr char kManifestSchema[] = "drives-runs/2";
// The schema before warm-up runs and probes; read alike.
constexpr char kManifestSchemaOne[] = "drives-runs/1";

// How one run ended.
enum class RunStatus { kOk, kFailed, kTimedOut, kInterrupted };

// A short fixed piece of work timed before and after every run: the same
// work takes longer on a machine that something else keeps busy.
struct ProbeTimes {
  double memorySeconds = 0;  // copying a block in memory
  double diskSeconds = 0;    // writing and reading a small file in the run
                             // directory
};

struct RunEntry {
  int index = 0;               // 1, 2, ... in the order run
  int round = 0;               // the round it belongs to, from 1
  bool warmup = false;         // left out of every statistic
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
  std::optional<ProbeTimes> probeBefore;
  std::optional<ProbeTimes> probeAfter;
  // Its probes ran clearly slower than the session's fastest.
  bool disturbed = false;
  // Where the kernel tells them: time stolen by the hypervisor, and the CPU
  // time of other processes, during the run.
  std::optional<double> stealSeconds;
  std::optional<double> otherCpuSeconds;
  std::optional<double> settleSeconds;  // waited before it for written data
  // A multi-client run: how many clients, and the folder inside the run
  // folder that holds each client's files and clients.json.
  std::optional<int> clients;
  std::string clientsFolder;
};

// A figure that could not reach the precision asked for within the cap.
struct Unreachable {
  std::optional<int> threads;
  std::string figure;  // its statistics key, "single.bulk_write"
  double precision = 0;
  int runsNeeded = 0;
};

// One directory of a sweep over several (--dir A --dir B, --control): its
// runs are kept in a run folder of their own inside the sweep's.
struct SweepDirectory {
  std::string path;    // where the benchmark ran
  std::string label;   // as reports name it
  std::string role;    // "drive", or "control": a memory-backed control
  std::string folder;  // inside the sweep's folder; empty: the folder itself
};

// The role of a directory run beside the drive on a memory file system.
constexpr char kControlDirectoryRole[] = "control";

struct Manifest {
  std::string programPath;
  std::optional<int> wordSize;  // the program's tag, once a run showed it
  std::vector<std::string> command;
  std::string directory;  // where the program ran
  std::string created;    // UTC, ISO 8601
  int runsPerCount = 0;
  std::vector<std::optional<int>> threadCounts;
  std::vector<int> clientCounts;  // --clients; empty: a plain sweep
  std::string hostfile;           // --hostfile, where given
  double timeoutSeconds = 0;
  bool dropCaches = false;
  int warmup = 0;       // warm-up runs per thread count, made first
  bool settle = false;  // each run waited for written data to reach disk
  // --precision: rounds in a fresh random order each, until every figure's
  // precision is within it (a fraction), or the caps.
  std::optional<double> precision;
  int maxRuns = 0;
  std::optional<double> maxTimeSeconds;
  std::optional<std::uint32_t> seed;  // of the rounds' orders
  std::vector<Unreachable> unreachable;
  MachineDescription machine;
  std::vector<RunEntry> runs;
  bool complete = false;  // every planned run was made
  // This folder's directory in a sweep of several: its label and role.
  std::string label;
  std::string role;  // empty: the drive
  // Of the sweep's own folder where it ran in several directories: every
  // one of them, this folder's first.
  std::vector<SweepDirectory> directories;
  // The drive's own ceiling, measured before the sweep.
  std::optional<DriveCeiling> driveCeiling;
};

// The present moment as the manifest and the history record it: ISO 8601,
// in UTC.
std::string UtcNow();

nlohmann::ordered_json MachineToJson(const MachineDescription& machine);
nlohmann::ordered_json ManifestToJson(const Manifest& manifest);
nlohmann::ordered_json CeilingToJson(const DriveCeiling& ceiling);
DriveCeiling CeilingFromJson(const nlohmann::ordered_json& json);
const char* RunStatusName(RunStatus status);
// The status a name stands for; kFailed for any other name.
RunStatus RunStatusFromName(const std::string& name);

// Reads `text` as a manifest; false with `error` set if it is not one.
bool ManifestFromJson(const std::string& text, Manifest& manifest,
                      std::string& error);

#endif  // DRIVES_RUNS_MANIFEST_H_
