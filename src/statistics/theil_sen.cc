#include "statistics/theil_sen.h"

#include "statistics/summary.h"

double TheilSenSlope(const std::vector<double>& x,
                     const std::vector<double>& y) {
  std::vector<double> slopes;
  slopes.reserve(x.size() * x.size() / 2);
  for (std::size_t i = 0; i < x.size(); ++i) {
    for (std::size_t j = i + 1; j < x.size(); ++j) {
      if (x[j] != x[i]) slopes.push_back((y[j] - y[i]) / (x[j] - x[i]));
    }
  }
  return slopes.empty() ? 0 : Median(std::move(slopes));
}
