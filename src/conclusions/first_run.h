// The sweep's first run off from the others: a cold cache or a drive
// waking up. Tested on its own, so that no search over the runs inflates
// the chance of a false alarm: in each figure of its column, how far it
// lies from the mean of the other runs against their spread (Student's t
// of one new value, exact where the runs are normal), on the log scale and
// on the plain one, the larger p of the two, the smallest over the figures
// adjusted for their number (Bonferroni); claimed only where it lies
// beyond all the others (not on a level some of them share) and off their
// median by more than the minimum effect.
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
  double pValue = 1;
  // The figures it is off in, and its value over the others' median.
  std::vector<std::pair<std::size_t, double>> figures;
};

std::optional<FirstRun> FindFirstRunOff(const std::vector<RunValues>& columns,
                                        double minEffect, double budget);

#endif  // DRIVES_CONCLUSIONS_FIRST_RUN_H_
