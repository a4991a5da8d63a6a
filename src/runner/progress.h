// A sweep's progress on standard error: a line per run (run k of M, thread
// count, time so far, an estimate of the time left), redrawn in place on a
// terminal.
#ifndef DRIVES_RUNNER_PROGRESS_H_
#define DRIVES_RUNNER_PROGRESS_H_

#include <chrono>
#include <cstddef>
#include <string>

#include "runs/manifest.h"

class Progress {
 public:
  // `atMost`: the sweep may end before `total` runs.
  Progress(int total, bool atMost);
  // `place`: the directory's label, in a sweep of several.
  void Started(int index, const std::optional<int>& threads, bool warmup,
               const std::optional<int>& clients = std::nullopt,
               const std::string& place = "");
  void Finished(const RunEntry& run);
  // Ends the line a terminal was being redrawn on.
  void Done();

 private:
  std::string Line(int index, const std::optional<int>& threads, bool warmup,
                   const std::optional<int>& clients,
                   const std::string& what) const;
  std::string place_;  // of the run being made
  void Show(const std::string& line, bool keep);

  const int total_;
  const bool atMost_;
  const bool terminal_;
  const std::chrono::steady_clock::time_point start_;
  double runSeconds_ = 0;  // the wall time of the runs finished
  int finished_ = 0;
  std::size_t shown_ = 0;  // the length of the line being redrawn
};

#endif  // DRIVES_RUNNER_PROGRESS_H_
