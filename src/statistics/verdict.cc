#include "statistics/verdict.h"

#include <algorithm>
#include <cmath>

#include "statistics/median_interval.h"

namespace {

constexpr double kSignificance = 1 - kConfidence;
// Fewer than this a side can never reach p < 0.05 against as few.
constexpr int kFewestRunsToTell = 4;

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

Verdict Decide(const RatioEstimate& estimate, double pAdjusted,
               double minEffect) {
  if (!(estimate.smallestP < kSignificance)) return Verdict::kTooFewRuns;
  const bool interval = estimate.low && estimate.high;
  if (interval && *estimate.low >= 1 - minEffect &&
      *estimate.high <= 1 + minEffect) {
    return Verdict::kSame;
  }
  if (interval && pAdjusted < kSignificance) {
    if (*estimate.low > 1 + minEffect) return Verdict::kFaster;
    if (*estimate.high < 1 - minEffect) return Verdict::kSlower;
    if (*estimate.low > 1) return Verdict::kFasterSmall;
    if (*estimate.high < 1) return Verdict::kSlowerSmall;
  }
  return Verdict::kInconclusive;
}

int RunsToSettle(const RatioEstimate& estimate, int m, int n,
                 double minEffect) {
  if (!estimate.low || !estimate.high) return kFewestRunsToTell;
  // In logs, the interval's half-width shrinks as the square root of the
  // runs: (1/m + 1/n) for these sizes, 2/N for N a side.
  const double halfWidth =
      (std::log(*estimate.high) - std::log(*estimate.low)) / 2;
  const double effect = std::fabs(std::log(estimate.ratio));
  const double band = std::log1p(minEffect);
  // Inside the band needs a half-width of band - effect; away from 1, one
  // of effect.
  const double wanted = std::max(band - effect, effect);
  if (!(halfWidth > 0) || !(wanted > 0)) return std::max(m, n);
  const double scale = halfWidth / wanted;
  const double runs = 2 / ((1.0 / m + 1.0 / n) / (scale * scale));
  return std::max({kFewestRunsToTell, m, n,
                   static_cast<int>(std::ceil(std::min(runs, 1e6)))});
}
