#include "statistics/benjamini_hochberg.h"

#include <algorithm>
#include <numeric>

std::vector<double> AdjustForManyTests(const std::vector<double>& p) {
  const std::size_t count = p.size();
  std::vector<std::size_t> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(),
            [&p](std::size_t x, std::size_t y) { return p[x] < p[y]; });
  std::vector<double> adjusted(count);
  double smallest = 1;  // the running minimum from the largest p down
  for (std::size_t rank = count; rank >= 1; --rank) {
    const std::size_t i = order[rank - 1];
    smallest = std::min(smallest, p[i] * static_cast<double>(count) /
                                      static_cast<double>(rank));
    adjusted[i] = smallest;
  }
  return adjusted;
}
