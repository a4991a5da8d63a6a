// A run far off the others in one figure, among the runs after the first
// (which first_run.h judges on its own): Grubbs' test of the most extreme
// run, exact where the runs are normal, passed on the log scale and on the
// plain one alike, at the rule's budget shared by every figure of the
// input (Bonferroni), and claimed only where the run is off the others'
// median by more than the minimum effect.
#ifndef DRIVES_CONCLUSIONS_OUTLIER_RUNS_H_
#define DRIVES_CONCLUSIONS_OUTLIER_RUNS_H_

#include <optional>
#include <vector>

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

// Grubbs' test of `logs` at `alpha`: the index of the outlier, if any.
std::optional<std::size_t> GrubbsOutlier(const std::vector<double>& logs,
                                         double alpha);

#endif  // DRIVES_CONCLUSIONS_OUTLIER_RUNS_H_
