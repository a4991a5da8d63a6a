// drives-report run: the benchmark run again and again, for each of a list
// of thread counts, interleaved, with every run's output kept in a run
// folder beside a manifest.
#ifndef DRIVES_RUNNER_SWEEP_H_
#define DRIVES_RUNNER_SWEEP_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SweepOptions {
  int runs = 3;              // per thread count, without `precision`
  std::vector<int> threads;  // empty: the runtime's default, as a plain run
  // Where the benchmark runs, each in every round (none: here), and their
  // labels in the same order (the short forms of their paths where not
  // given).
  std::vector<std::string> directories;
  std::vector<std::string> labels;
  // --control: a memory-backed directory run beside the drive in every
  // round; empty: the platform's (/dev/shm).
  std::optional<std::string> control;
  bool ceiling = true;  // measure each drive's ceiling first
  std::string program;  // empty: the one beside us, else on the PATH
  std::string out;      // the run folder; empty: a new one here
  bool dropCaches = false;
  double timeoutSeconds = 30 * 60;
  // Repeat in rounds, each thread count once in a fresh random order, until
  // every figure's precision (a fraction) is within this, or `maxRuns` runs
  // per thread count.
  std::optional<double> precision;
  int maxRuns = 30;
  std::optional<std::uint32_t> seed;  // of the rounds' orders
  // No run starts after this many seconds of the sweep.
  std::optional<double> maxTimeSeconds;
  // --clients: each run is K copies of the benchmark at once, on the hosts
  // of the hostfile (default: here), started through mpirun.
  std::vector<int> clients;
  std::string hostfile;
  std::string mpirun;  // empty: the one on the PATH
  std::vector<std::string> mpirunArguments;
  int warmup = 0;       // runs per thread count first, left out of statistics
  bool settle = false;  // wait for written data to reach disk before each run
  std::vector<std::string> command;  // as given, for the manifest
};

// With --precision, at least this many rounds: the first count of runs with
// a 95% interval.
constexpr int kFewestRounds = 6;

// Exit statuses of a sweep.
constexpr int kSweepOk = 0;
constexpr int kSomeRunFailed = 1;
constexpr int kSweepFailed = 2;  // it could not start or go on
constexpr int kSweepInterrupted = 130;

// Runs the sweep; `folder` is set to the run folder once it exists.
int RunSweep(const SweepOptions& options, std::string& folder);

#endif  // DRIVES_RUNNER_SWEEP_H_
