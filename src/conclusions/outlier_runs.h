// A run far off the others in one figure, among the runs after the first
// (which first_run.h judges on its own): the run farthest from the median,
// its distance from the others in units of their spread against
// thresholds that hold under the input's noise (far_runs.h), passed on the
// log scale and on the plain one alike, at the rule's budget shared by
// every figure of the input (Bonferroni), and claimed only where the run
// is off the others' median by more than the minimum effect.
#ifndef DRIVES_CONCLUSIONS_OUTLIER_RUNS_H_
#define DRIVES_CONCLUSIONS_OUTLIER_RUNS_H_

#include <optional>
#include <vector>

#include "conclusions/far_runs.h"
#include "conclusions/run_values.h"

// Runs a figure needs, the first left aside, for its outlier to be judged.
constexpr std::size_t kFewestRunsForOutlier = 6;

struct OutlierRun {
  FigureAt at;
  int run = 0;       // its number in the sweep
  double ratio = 1;  // its value over the others' median
};

// The figures in `clustered` are left out: their far runs are a group, not
// an outlier.
std::vector<OutlierRun> FindOutlierRuns(const std::vector<RunValues>& columns,
                                        double minEffect, double budget,
                                        const std::vector<FigureAt>& clustered);

// The index of the run of `logs` far off the others at `alpha`, if any,
// under noise with such tails.
std::optional<std::size_t> FarOutlier(const std::vector<double>& logs,
                                      double alpha, Tails tails);

#endif  // DRIVES_CONCLUSIONS_OUTLIER_RUNS_H_
