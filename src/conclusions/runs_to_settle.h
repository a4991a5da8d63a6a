// About how many runs a side would settle a comparison that is not yet
// settled: a power calculation on a log scale for fresh runs of the same
// kind, taking the effect as estimated, the spread at its 80% upper bound
// (the runs so far tell it only roughly), the family's adjustment at its
// strictest (this figure the only difference among the family's m, at
// q / m) and the minimum effect's band: the fewest runs a side at which
// the comparison would end in a difference or in "same" four times in
// five.
#ifndef DRIVES_CONCLUSIONS_RUNS_TO_SETTLE_H_
#define DRIVES_CONCLUSIONS_RUNS_TO_SETTLE_H_

#include <optional>

#include "conclusions/verdict.h"

// Over this many runs a side, more runs will not tell: the effect lies at
// the edge of the band, where no count of runs settles it.
constexpr int kMostRunsToSettle = 1000;

// The chance a settling comparison reaches.
constexpr double kSettlingPower = 0.8;

struct Settling {
  std::optional<int> runs;  // a side
  bool never = false;       // over kMostRunsToSettle
};

Settling RunsToSettle(const Samples& samples, const RatioEstimate& estimate,
                      std::size_t familySize, double minEffect);

// The chance that N fresh runs a side settle a comparison whose true
// effect is `effect` and spread `sigma` (both on a log scale).
double SettlingChance(int n, double effect, double sigma,
                      std::size_t familySize, double minEffect);

#endif  // DRIVES_CONCLUSIONS_RUNS_TO_SETTLE_H_
