// --precision: whether a figure's "±" has reached the target, and whether
// it can still reach it within --max-runs. A figure is given up only when
// even an optimistic bound on its spread (the 99% lower bound of the
// standard deviation of its logs) puts the target out of reach, so that
// few given-up figures would have got there; the runs it would need are
// told from the spread as measured.
#ifndef DRIVES_CONCLUSIONS_PRECISION_PLAN_H_
#define DRIVES_CONCLUSIONS_PRECISION_PLAN_H_

#include <optional>
#include <vector>

// Fewer runs than this tell too little of the spread to give up on.
constexpr std::size_t kFewestRunsToGiveUp = 3;

struct PrecisionPlan {
  std::optional<double> reached;  // the precision now, where there is one
  bool done = false;              // within the target
  bool givenUp = false;           // out of reach within --max-runs
  std::optional<int> runsNeeded;  // from the spread as measured
};

PrecisionPlan PlanPrecision(const std::vector<double>& values, double target,
                            int maxRuns);

// The precision a figure of spread `sigma` (the standard deviation of its
// logs) has on average after `n` runs: the half-width of the median's
// interval from the expected order statistics of normal runs.
double ExpectedPrecision(int n, double sigma);

// The fewest runs whose expected precision is within `target`; none up to
// `most`.
std::optional<int> RunsForPrecision(double sigma, double target, int most);

#endif  // DRIVES_CONCLUSIONS_PRECISION_PLAN_H_
