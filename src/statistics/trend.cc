#include "statistics/trend.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>

#include "statistics/distributions.h"
#include "statistics/median_interval.h"
#include "statistics/ranks.h"

namespace {

constexpr std::size_t kFewestValues = 4;
// Up to this many values without ties, p is counted over every ordering;
// above, Student's t approximates it.
constexpr int kExactLimit = 9;

double Correlation(const std::vector<double>& x, const std::vector<double>& y) {
  const double n = static_cast<double>(x.size());
  const double mx = std::accumulate(x.begin(), x.end(), 0.0) / n;
  const double my = std::accumulate(y.begin(), y.end(), 0.0) / n;
  double sxy = 0;
  double sxx = 0;
  double syy = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    sxy += (x[i] - mx) * (y[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
    syy += (y[i] - my) * (y[i] - my);
  }
  return sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : 0;
}

// How many orderings of n runs give each sum of squared rank differences.
const std::map<int, long long>& SquaredDifferenceCounts(int n) {
  static std::map<int, std::map<int, long long>> cache;
  std::map<int, long long>& counts = cache[n];
  if (!counts.empty()) return counts;
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  do {
    int sum = 0;
    for (int i = 0; i < n; ++i) sum += (order[i] - i) * (order[i] - i);
    ++counts[sum];
  } while (std::next_permutation(order.begin(), order.end()));
  return counts;
}

// P(|rho| >= |observed|) over every ordering of n distinct values, where
// rho = 1 - S / scale for the sum S of squared rank differences, whose mean
// is the scale.
double ExactP(int n, double rho) {
  const double scale = n * (static_cast<double>(n) * n - 1) / 6;
  const double observed = std::fabs(rho) * scale;
  long long extreme = 0;
  long long all = 0;
  for (const auto& [sum, count] : SquaredDifferenceCounts(n)) {
    all += count;
    if (std::fabs(sum - scale) >= observed - 1e-9) extreme += count;
  }
  return static_cast<double>(extreme) / static_cast<double>(all);
}

}  // namespace

bool Trend::Significant() const { return pValue < 1 - kConfidence; }

std::optional<Trend> RunOrderTrend(const std::vector<double>& values) {
  if (values.size() < kFewestValues) return std::nullopt;
  const int n = static_cast<int>(values.size());
  std::vector<double> order(values.size());
  std::iota(order.begin(), order.end(), 1.0);
  const std::vector<double> ranks = Ranks(values);
  Trend trend;
  trend.rho = Correlation(ranks, order);
  const bool ties =
      std::set<double>(values.begin(), values.end()).size() < values.size();
  if (n <= kExactLimit && !ties) {
    trend.pValue = ExactP(n, trend.rho);
  } else if (std::fabs(trend.rho) >= 1) {
    trend.pValue = 0;
  } else {
    const double t =
        trend.rho * std::sqrt((n - 2) / (1 - trend.rho * trend.rho));
    trend.pValue = StudentTwoSided(t, n - 2);
  }
  return trend;
}
