// One run of a sweep: the benchmark (with --clients, its copies through
// mpirun) started in a place, how it ended, its output read and its
// results file kept beside the transcript.
#ifndef DRIVES_RUNNER_ONE_RUN_H_
#define DRIVES_RUNNER_ONE_RUN_H_

#include <functional>
#include <optional>
#include <string>

#include "results/run_record.h"
#include "runner/client_launch.h"
#include "runner/place.h"
#include "runner/process.h"
#include "runner/sweep.h"
#include "runs/manifest.h"

class RunMaker {
 public:
  // `fatal` says why the sweep cannot go on.
  RunMaker(const SweepOptions& options, std::string program,
           std::optional<ClientLaunch> launch,
           std::function<void(const std::string&)> fatal);

  // Makes run number `index` of `cell` in `place`, into `run` and, where it
  // gave figures, `record`; false when the sweep cannot go on.
  bool Run(const Place& place, int index, const SweepCell& cell, RunEntry& run,
           std::optional<RunRecord>& record);
  // The program's word size, once a run showed it.
  const std::optional<int>& WordSize() const { return wordSize_; }

 private:
  // Launches the clients of a multi-client run and reads what they handed
  // over into `record` (their sum); false when the sweep cannot go on.
  bool RunClients(const Place& place, const std::string& base, int clients,
                  RunEntry& run, std::optional<RunRecord>& record);
  // Says how the run ended, from how its program ended.
  void Ended(const ChildOutcome& outcome, RunEntry& run) const;
  bool KeepResults(const Place& place, int tag, const std::string& name,
                   RunEntry& run);

  const SweepOptions& options_;
  const std::string program_;
  std::optional<ClientLaunch> launch_;
  std::function<void(const std::string&)> fatal_;
  // The program's word size, from its name until a run shows it.
  std::optional<int> tag_;
  std::optional<int> wordSize_;  // once a run showed it
  std::string text_;             // one buffer for every console transcript
};

#endif  // DRIVES_RUNNER_ONE_RUN_H_
