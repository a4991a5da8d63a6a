// The verdict on one comparison of two samples of a figure, in words a user
// acts on, from its ratio estimate, its p adjusted for the report's many
// tests, and the smallest difference that matters to the user.
#ifndef DRIVES_STATISTICS_VERDICT_H_
#define DRIVES_STATISTICS_VERDICT_H_

#include "statistics/ratio_estimate.h"

enum class Verdict {
  kTooFewRuns,   // these run counts can never reach p < 0.05
  kSame,         // the whole interval lies within 1 ± the minimum effect
  kFaster,       // significant, and the whole interval beyond 1 + effect
  kSlower,       // significant, and the whole interval below 1 - effect
  kFasterSmall,  // significant, but the interval reaches into the band
  kSlowerSmall,
  kInconclusive,  // none of the above: more runs would tell
};

// "too-few-runs", "same", "faster", ...: for machines.
const char* VerdictKey(Verdict verdict);

// The first rule that applies; `minEffect` is a fraction (0.05 for 5%).
Verdict Decide(const RatioEstimate& estimate, double pAdjusted,
               double minEffect);

// About how many runs a side would likely settle an inconclusive comparison
// of `m` against `n` runs: show it the same within the minimum effect, or
// different, whichever is nearer.
int RunsToSettle(const RatioEstimate& estimate, int m, int n, double minEffect);

#endif  // DRIVES_STATISTICS_VERDICT_H_
