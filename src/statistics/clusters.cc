#include "statistics/clusters.h"

#include <algorithm>
#include <cmath>

#include "statistics/summary.h"

namespace {

constexpr std::size_t kFewestValues = 6;
constexpr std::size_t kFewestInCluster = 2;
// The gap between the groups against the wider group's own range.
constexpr double kGapOverRange = 2;

Cluster Describe(const std::vector<double>& sorted, std::size_t begin,
                 std::size_t end) {
  const std::size_t n = end - begin;
  std::vector<double> values;
  for (std::size_t i = begin; i < end; ++i) values.push_back(sorted[i]);
  Cluster c;
  c.median = MedianOfSorted(values);
  c.runs = static_cast<int>(n);
  c.share = static_cast<double>(n) / static_cast<double>(sorted.size());
  return c;
}

}  // namespace

std::optional<TwoClusters> FindTwoClusters(std::vector<double> values) {
  if (values.size() < kFewestValues) return std::nullopt;
  for (const double v : values) {
    if (!std::isfinite(v) || v <= 0) return std::nullopt;
  }
  std::sort(values.begin(), values.end());
  std::vector<double> logs;
  logs.reserve(values.size());
  for (const double v : values) logs.push_back(std::log(v));
  // The widest gap that leaves enough runs on each side.
  std::size_t split = 0;  // the first value of the upper group
  double gap = 0;
  for (std::size_t i = kFewestInCluster; i + kFewestInCluster <= logs.size();
       ++i) {
    if (logs[i] - logs[i - 1] > gap) {
      gap = logs[i] - logs[i - 1];
      split = i;
    }
  }
  if (split == 0) return std::nullopt;
  const double lowRange = logs[split - 1] - logs.front();
  const double highRange = logs.back() - logs[split];
  if (!(gap > kGapOverRange * std::max(lowRange, highRange))) {
    return std::nullopt;
  }
  return TwoClusters{Describe(values, 0, split),
                     Describe(values, split, values.size())};
}
