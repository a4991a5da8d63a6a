// The sweep's first run off from the others: a cold cache or a drive
// waking up. Tested on its own, so that no search over the runs inflates
// the chance of a false alarm: in each figure of its column, how far it
// lies from the other runs in units of their spread, against thresholds
// that hold under the input's noise (far_runs.h), on
// the log scale and on the plain one alike: in one figure alone (the
// budget shared by the figures: Bonferroni), or in most of them together
// (a cold start slows them all); claimed only where it lies beyond all the
// others (not on a level some of them share) and off their median by more
// than the minimum effect.
#ifndef DRIVES_CONCLUSIONS_FIRST_RUN_H_
#define DRIVES_CONCLUSIONS_FIRST_RUN_H_

#include <optional>
#include <vector>

#include "conclusions/run_values.h"

// The first run and at least this many others.
constexpr std::size_t kFewestOtherRuns = 4;

struct FirstRun {
  std::size_t column = 0;
  int run = 0;  // its number in the sweep
  // The figures it is off in, and its value over the others' median.
  std::vector<std::pair<std::size_t, double>> figures;
};

std::optional<FirstRun> FindFirstRunOff(const std::vector<RunValues>& columns,
                                        double minEffect, double budget);

#endif  // DRIVES_CONCLUSIONS_FIRST_RUN_H_
