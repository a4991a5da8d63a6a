// A short fixed piece of work timed before and after every run: copying a
// block in memory, and writing and reading a small file in the run
// directory. The same work takes longer when something else keeps the
// machine busy, which the usual counters may not show (a neighbour on a
// shared host); a run whose probes are clearly slower than the session's
// fastest is marked disturbed.
#ifndef DRIVES_RUNNER_PROBE_H_
#define DRIVES_RUNNER_PROBE_H_

#include <string>
#include <vector>

#include "runs/manifest.h"

// A probe this much slower than the session's fastest marks its run. The
// probes' own noise on a quiet shared machine sets these: the file probe
// stays within about 10% of its fastest, the memory copy within about 40%.
constexpr double kDisturbedFileSlowdown = 1.25;
constexpr double kDisturbedMemorySlowdown = 1.5;

// Times the probe in `directory`; each part is the fastest of a few tries,
// so that one hiccup does not count.
ProbeTimes RunProbe(const std::string& directory);

// Marks the runs whose probes, before or after, are slower than the
// fastest of all, before or after, by more than the slowdowns above.
void MarkDisturbed(std::vector<RunEntry>& runs);

#endif  // DRIVES_RUNNER_PROBE_H_
