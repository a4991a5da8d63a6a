#include "conclusions/precision_plan.h"

#include <algorithm>
#include <cmath>

#include "statistics/distributions.h"
#include "statistics/median_interval.h"
#include "statistics/summary.h"

namespace {

// The spread's bound a plan gives up at: its 99% lower bound.
constexpr double kOptimism = 0.99;
// The most runs a plan looks at.
constexpr int kMostRuns = 100000;
// Up to this many runs the order statistics are counted; above, their
// normal approximation.
constexpr int kOrderStatisticRuns = 200;

// The standard deviation of the logs of `values`, and its degrees of
// freedom.
std::pair<double, int> LogSpread(const std::vector<double>& values) {
  double mean = 0;
  int n = 0;
  for (const double v : values) {
    if (!(v > 0) || !std::isfinite(v)) continue;
    mean += std::log(v);
    ++n;
  }
  if (n < 2) return {0, 0};
  mean /= n;
  double squares = 0;
  for (const double v : values) {
    if (!(v > 0) || !std::isfinite(v)) continue;
    squares += (std::log(v) - mean) * (std::log(v) - mean);
  }
  return {std::sqrt(squares / (n - 1)), n - 1};
}

}  // namespace

double ExpectedPrecision(int n, double sigma) {
  if (n < 2) return HUGE_VAL;
  if (n > kOrderStatisticRuns) {
    // Many runs: 1.96 standard errors of the median, 1.2533 sigma / sqrt(n).
    return std::expm1(sigma * 1.96 * 1.2533 / std::sqrt(n));
  }
  const int k = OrderRank(n);
  // Blom's approximation of the expected (n - k + 1)-th of n normal values.
  const double upper = NormalQuantile((n - k + 1 - 0.375) / (n + 0.25));
  return std::expm1(sigma * upper);
}

std::optional<int> RunsForPrecision(double sigma, double target, int most) {
  // The order statistics step, so that the expected precision is not
  // monotone between neighbours: the first count within, one by one.
  for (int n = 2; n <= std::min(most, kOrderStatisticRuns); ++n) {
    if (ExpectedPrecision(n, sigma) <= target) return n;
  }
  const double scale = 1.96 * 1.2533 * sigma / std::log1p(target);
  const double n =
      std::max<double>(kOrderStatisticRuns + 1, std::ceil(scale * scale));
  if (n > most) return std::nullopt;
  return static_cast<int>(n);
}

PrecisionPlan PlanPrecision(const std::vector<double>& values, double target,
                            int maxRuns) {
  PrecisionPlan plan;
  const Summary summary = Summarize(values);
  if (const auto interval = IntervalOfMedian(values)) {
    if (summary.median != 0)
      plan.reached = Precision(*interval, summary.median);
  }
  plan.done = plan.reached && *plan.reached <= target;
  if (plan.done) return plan;
  const auto [sigma, degrees] = LogSpread(values);
  if (degrees < 1) return plan;
  plan.runsNeeded = RunsForPrecision(sigma, target, kMostRuns);
  if (values.size() < kFewestRunsToGiveUp) return plan;
  const double optimistic =
      sigma * std::sqrt(degrees / ChiSquareQuantile(kOptimism, degrees));
  // At the cap, whatever is short of the target stays short.
  plan.givenUp = static_cast<int>(values.size()) >= maxRuns ||
                 !RunsForPrecision(optimistic, target, maxRuns);
  return plan;
}
