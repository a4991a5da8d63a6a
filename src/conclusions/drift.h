// A drift over the sweep: the machine or the drive sliding while the runs
// were made, which moves many figures at once. Judged over all the input's
// figures and thread counts together by a permutation test of the runs'
// order: Spearman's correlation of each figure with the order, over the
// figures whose slope moves them by the minimum effect across the sweep,
// their mean (a slide of many figures) and their largest (a slide of one),
// each against the same over 1,999 random orders of the runs, which keep
// whatever the figures share. Where neighbouring runs are alike (a machine's
// phases, measured about each figure's line so that the drift itself is not
// counted), the random orders' statistics are widened by what such phases
// add to a correlation with the order, (1 + rho) / (1 - rho) in variance. A
// drift is claimed in the figures that a robust slope (Theil-Sen, on a log
// scale) moves by the minimum effect.
#ifndef DRIVES_CONCLUSIONS_DRIFT_H_
#define DRIVES_CONCLUSIONS_DRIFT_H_

#include <optional>
#include <vector>

#include "conclusions/run_values.h"

// A column needs this many runs for its figures to count.
constexpr std::size_t kFewestRunsForDrift = 5;

struct DriftedFigure {
  FigureAt at;
  double change = 1;  // the robust slope's ratio from the first to the last
};

struct Drift {
  double pValue = 1;
  std::vector<DriftedFigure> figures;  // those that moved by the effect
};

// None where the runs do not drift, drift too little, or are too few.
std::optional<Drift> FindDrift(const std::vector<RunValues>& columns,
                               double minEffect, double budget);
std::optional<Drift> FindDrift(const std::vector<RunValues>& columns,
                               double minEffect, double budget, double rho);

#endif  // DRIVES_CONCLUSIONS_DRIFT_H_
