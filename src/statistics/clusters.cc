#include "statistics/clusters.h"

#include <algorithm>
#include <cmath>

#include "statistics/summary.h"

namespace {

// Spreads below this share of the values' size (a millionth: the six
// digits a figure is printed with) are the same as none.
constexpr double kFinestSpread = 1e-6;

Cluster Describe(const std::vector<double>& sorted, std::size_t begin,
                 std::size_t end) {
  const std::vector<double> values(
      sorted.begin() + static_cast<std::ptrdiff_t>(begin),
      sorted.begin() + static_cast<std::ptrdiff_t>(end));
  Cluster c;
  c.median = MedianOfSorted(values);
  c.runs = static_cast<int>(end - begin);
  c.share =
      static_cast<double>(end - begin) / static_cast<double>(sorted.size());
  return c;
}

}  // namespace

Split BestSplit(const std::vector<double>& logs) {
  const std::size_t n = logs.size();
  Split best;
  if (n < 2 * kFewestInCluster) return best;
  // Running sums, so that every split costs the same; from the smallest
  // value, so that their squares keep the small differences.
  const double origin = logs.front();
  const double finest = kFinestSpread * std::max({1.0, std::fabs(logs.front()),
                                                  std::fabs(logs.back())});
  double total = 0;
  double totalSquares = 0;
  for (const double y : logs) {
    total += y - origin;
    totalSquares += (y - origin) * (y - origin);
  }
  double sum = 0;
  double squares = 0;
  for (std::size_t k = 1; k < n; ++k) {
    const double y = logs[k - 1] - origin;
    sum += y;
    squares += y * y;
    if (k < kFewestInCluster || n - k < kFewestInCluster) continue;
    const double low = sum / static_cast<double>(k);
    const double high = (total - sum) / static_cast<double>(n - k);
    const double within =
        (squares - sum * low) + (totalSquares - squares - (total - sum) * high);
    const double spread =
        std::sqrt(std::max(within, 0.0) / static_cast<double>(n - 2));
    const double separation = (high - low) / std::max(spread, finest);
    if (separation > best.separation) best = {k, separation};
  }
  return best;
}

TwoClusters DescribeSplit(const std::vector<double>& sorted, std::size_t at) {
  return {Describe(sorted, 0, at), Describe(sorted, at, sorted.size())};
}
