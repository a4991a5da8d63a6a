#include "conclusions/verdict.h"

#include <algorithm>
#include <cmath>

#include "conclusions/runs_to_settle.h"
#include "statistics/benjamini_hochberg.h"
#include "statistics/paired_ratio.h"

namespace {

// The verdict from the family's adjusted p and interval.
Verdict Decide(const FigureVerdict& f, double minEffect) {
  if (!f.adjusted) return Verdict::kTooFewRuns;
  const RatioInterval& i = *f.adjusted;
  if (i.low >= 1 - minEffect && i.high <= 1 + minEffect) return Verdict::kSame;
  // With ties, the p of the values as they are can pass while the interval
  // of untied ranks touches 1: the two must agree to call a difference.
  if (f.pAdjusted < kFalseDiscoveryRate && (i.low > 1 || i.high < 1)) {
    if (i.low > 1 + minEffect) return Verdict::kFaster;
    if (i.high < 1 - minEffect) return Verdict::kSlower;
    return i.low > 1 ? Verdict::kFasterSmall : Verdict::kSlowerSmall;
  }
  return Verdict::kInconclusive;
}

// How many runs a side take the place of one independent run: 1 where
// they are independent.
double Dilution(const Samples& s) {
  const auto of = [](std::size_t count, double worth) {
    return worth > 0 && worth < static_cast<double>(count)
               ? static_cast<double>(count) / std::max(1.0, worth)
               : 1.0;
  };
  return std::max(of(s.values.size(), s.worth.a),
                  of(s.baseline.size(), s.worth.b));
}

}  // namespace

const char* VerdictKey(Verdict verdict) {
  switch (verdict) {
    case Verdict::kTooFewRuns:
      return "too-few-runs";
    case Verdict::kSame:
      return "same";
    case Verdict::kFaster:
      return "faster";
    case Verdict::kSlower:
      return "slower";
    case Verdict::kFasterSmall:
      return "faster-small";
    case Verdict::kSlowerSmall:
      return "slower-small";
    case Verdict::kInconclusive:
      break;
  }
  return "inconclusive";
}

bool Differs(Verdict verdict) {
  return verdict == Verdict::kFaster || verdict == Verdict::kSlower ||
         verdict == Verdict::kFasterSmall || verdict == Verdict::kSlowerSmall;
}

std::vector<FigureVerdict> JudgeFamily(const std::vector<Samples>& family,
                                       double minEffect) {
  std::vector<FigureVerdict> verdicts(family.size());
  std::vector<double> p;
  for (std::size_t i = 0; i < family.size(); ++i) {
    verdicts[i].estimate =
        family[i].paired
            ? EstimatePairedRatio(family[i].values, family[i].baseline,
                                  family[i].worth.a)
            : EstimateRatio(family[i].values, family[i].baseline,
                            family[i].worth);
    if (verdicts[i].estimate) p.push_back(verdicts[i].estimate->pValue);
  }
  const std::vector<double> adjusted = AdjustForManyTests(p);
  const std::size_t tests = p.size();
  std::size_t differences = 0;
  for (const double q : adjusted) {
    differences += q < kFalseDiscoveryRate ? 1 : 0;
  }
  // Every interval of the family at one level: 1 - R q / m, and 1 - q / m
  // where nothing differs.
  const double alpha =
      kFalseDiscoveryRate *
      static_cast<double>(std::max<std::size_t>(differences, 1)) /
      static_cast<double>(std::max<std::size_t>(tests, 1));
  std::size_t next = 0;
  for (std::size_t i = 0; i < family.size(); ++i) {
    FigureVerdict& f = verdicts[i];
    if (!f.estimate) continue;
    f.pAdjusted = adjusted[next++];
    f.adjustedLevel = 1 - alpha;
    f.adjusted =
        family[i].paired
            ? IntervalOfPairedRatio(family[i].values, family[i].baseline, alpha,
                                    family[i].worth.a)
            : IntervalOfRatio(family[i].values, family[i].baseline, alpha,
                              family[i].worth);
    f.verdict = Decide(f, minEffect);
    if (f.verdict != Verdict::kInconclusive &&
        f.verdict != Verdict::kTooFewRuns) {
      continue;
    }
    Settling settling = RunsToSettle(family[i], *f.estimate, tests, minEffect);
    // Runs worth fewer than their count: as many more of them.
    const double dilution = Dilution(family[i]);
    if (settling.runs && dilution > 1) {
      const double runs = std::ceil(*settling.runs * dilution);
      settling.never = runs > kMostRunsToSettle;
      settling.runs = settling.never
                          ? std::nullopt
                          : std::optional<int>(static_cast<int>(runs));
    }
    f.moreRunsWillNotTell = settling.never;
    const int present = static_cast<int>(
        std::max(family[i].values.size(), family[i].baseline.size()));
    if (settling.runs && *settling.runs > present)
      f.runsToSettle = settling.runs;
  }
  return verdicts;
}
