// A short fixed piece of work timed before and after every run: copying a
// block in memory, and writing and reading a small file in the run
// directory. The same work takes longer when something else keeps the
// machine busy, which the usual counters may not show (a neighbour on a
// shared host); the rules judge a run by them (conclusions/disturbance.h).
#ifndef DRIVES_RUNNER_PROBE_H_
#define DRIVES_RUNNER_PROBE_H_

#include <string>
#include <vector>

#include "runs/manifest.h"

// Times the probe in `directory`; each part is the fastest of a few tries,
// so that one hiccup does not count.
ProbeTimes RunProbe(const std::string& directory);

#endif  // DRIVES_RUNNER_PROBE_H_
