// The verdicts of one input against the baseline, in words a user acts on.
// The family whose false discoveries are held at 5% is one comparison (one
// input against the baseline: all its figures and thread counts), so that
// adding another input changes no other input's verdicts. Each p is
// adjusted within the family (Benjamini-Hochberg), and the interval shown
// beside a verdict is adjusted the same way (Benjamini and Yekutieli's
// false-coverage-rate intervals: all at the level 1 - R q / m, R the
// family's differences of m), so that it excludes 1 exactly where the
// verdict says the two differ.
#ifndef DRIVES_CONCLUSIONS_VERDICT_H_
#define DRIVES_CONCLUSIONS_VERDICT_H_

#include <optional>
#include <vector>

#include "statistics/ratio_estimate.h"

enum class Verdict {
  kTooFewRuns,   // these run counts allow no interval at the family's level
  kSame,         // the whole interval lies within 1 ± the minimum effect
  kFaster,       // significant, and the whole interval beyond 1 + effect
  kSlower,       // significant, and the whole interval below 1 - effect
  kFasterSmall,  // significant, but the interval reaches into the band
  kSlowerSmall,
  kInconclusive,  // none of the above: more runs may tell
};

// "too-few-runs", "same", "faster", ...: for machines.
const char* VerdictKey(Verdict verdict);

// Whether the verdict says the two differ.
bool Differs(Verdict verdict);

// The false discovery rate of one family.
constexpr double kFalseDiscoveryRate = 0.05;

// One figure of the family: the compared input's values and the
// baseline's; `paired` where they are runs of one sweep's rounds, values[i]
// beside baseline[i] (judged by Student's t of their log ratios).
struct Samples {
  std::vector<double> values;
  std::vector<double> baseline;
  bool paired = false;
  // What each side's runs are worth where they are not independent; of
  // pairs (a pair's two runs share their phase, and their ratio mostly
  // cancels it), what the pairs are worth where their ratios still move in
  // phases, in `a`.
  RunsWorth worth;
};

struct FigureVerdict {
  std::optional<RatioEstimate> estimate;  // with its plain 95% interval
  double pAdjusted = 1;                   // within the family
  std::optional<RatioInterval> adjusted;  // at `adjustedLevel`
  double adjustedLevel = 0;
  Verdict verdict = Verdict::kInconclusive;
  // Of an inconclusive one: about how many runs a side would likely settle
  // it, where that is more than there are and not absurd.
  std::optional<int> runsToSettle;
  bool moreRunsWillNotTell = false;  // over kMostRunsToSettle a side
};

// Every figure of one family, in order; none of a figure whose values the
// maths cannot take (an infinite rate): an error, never a verdict.
std::vector<FigureVerdict> JudgeFamily(const std::vector<Samples>& family,
                                       double minEffect);

#endif  // DRIVES_CONCLUSIONS_VERDICT_H_
