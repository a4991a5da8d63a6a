#include "statistics/ranks.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

std::vector<double> Ranks(const std::vector<double>& values) {
  std::vector<std::size_t> order(values.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(),
            [&values](std::size_t a, std::size_t b) {
              return values[a] < values[b];
            });
  std::vector<double> ranks(values.size());
  for (std::size_t i = 0; i < order.size();) {
    std::size_t j = i;
    while (j < order.size() && values[order[j]] == values[order[i]]) ++j;
    const double shared = (static_cast<double>(i + j) + 1) / 2;
    for (std::size_t t = i; t < j; ++t) ranks[order[t]] = shared;
    i = j;
  }
  return ranks;
}
