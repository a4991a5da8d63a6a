#include "statistics/paired_ratio.h"

#include <cmath>

#include "statistics/distributions.h"
#include "statistics/median_interval.h"

namespace {

// The logs of the pairs' ratios: their mean, its standard error and the
// degrees of freedom; none where they cannot be had.
struct LogRatios {
  double mean = 0;
  double error = 0;
  double degrees = 0;
};

std::optional<LogRatios> Of(const std::vector<double>& a,
                            const std::vector<double>& b, double worth) {
  if (a.size() < 2 || a.size() != b.size()) return std::nullopt;
  double sum = 0;
  std::vector<double> d;
  d.reserve(a.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!std::isfinite(a[i]) || !std::isfinite(b[i]) || a[i] <= 0 ||
        b[i] <= 0) {
      return std::nullopt;
    }
    d.push_back(std::log(a[i]) - std::log(b[i]));
    sum += d.back();
  }
  const double n = static_cast<double>(d.size());
  LogRatios r;
  r.mean = sum / n;
  double squares = 0;
  for (const double x : d) squares += (x - r.mean) * (x - r.mean);
  r.degrees = n - 1;
  r.error = std::sqrt(squares / r.degrees / n);
  // Pairs in phases that last: their mean varies as that of fewer.
  if (worth > 1 && worth < n) {
    r.error *= std::sqrt(n / worth);
    r.degrees = worth - 1;
  }
  return r;
}

// Ratios equal to the printed digits are the same: no spread below this.
constexpr double kFinestError = 1e-9;

}  // namespace

std::optional<RatioEstimate> EstimatePairedRatio(const std::vector<double>& a,
                                                 const std::vector<double>& b,
                                                 double worth) {
  const std::optional<LogRatios> r = Of(a, b, worth);
  if (!r) return std::nullopt;
  RatioEstimate estimate;
  estimate.ratio = std::exp(r->mean);
  const double error = std::max(r->error, kFinestError);
  estimate.pValue = StudentTwoSided(r->mean / error, r->degrees);
  estimate.smallestP = 0;
  estimate.exact = false;
  const double t = StudentTwoSidedQuantile(1 - kConfidence, r->degrees);
  estimate.low = std::exp(r->mean - t * error);
  estimate.high = std::exp(r->mean + t * error);
  return estimate;
}

std::optional<RatioInterval> IntervalOfPairedRatio(const std::vector<double>& a,
                                                   const std::vector<double>& b,
                                                   double alpha, double worth) {
  const std::optional<LogRatios> r = Of(a, b, worth);
  if (!r) return std::nullopt;
  const double error = std::max(r->error, kFinestError);
  const double t = StudentTwoSidedQuantile(alpha, r->degrees);
  return RatioInterval{std::exp(r->mean - t * error),
                       std::exp(r->mean + t * error)};
}
