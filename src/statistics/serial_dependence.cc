#include "statistics/serial_dependence.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "statistics/random.h"

namespace {

// Permutations of the run order for the test: enough for a p of 0.001.
constexpr int kPermutations = 999;

// The sum of products of neighbours, in the order `order`.
double Neighbours(const std::vector<double>& d,
                  const std::vector<std::size_t>& order) {
  double sum = 0;
  for (std::size_t t = 1; t < order.size(); ++t) {
    sum += d[order[t - 1]] * d[order[t]];
  }
  return sum;
}

}  // namespace

double SerialDependence::Worth(std::size_t runs) const {
  const double n = static_cast<double>(runs);
  // The variance of a mean of n runs of an AR(1) series over that of n
  // independent ones: 1 + 2 sum over k of (1 - k / n) rho^k.
  double inflation = 1;
  double power = 1;
  for (std::size_t k = 1; k < runs && rho > 0; ++k) {
    power *= rho;
    inflation += 2 * (1 - static_cast<double>(k) / n) * power;
  }
  return n / inflation;
}

double CorrectedLagOne(double lagOne, double n) {
  // E[r] = rho - (1 + 3 rho) / n, solved for rho.
  return std::clamp((lagOne * n + 1) / (n - 3), 0.0, kMostDependence);
}

SerialDependence MeasureDependence(
    const std::vector<std::vector<std::vector<double>>>& groups,
    unsigned long long seed) {
  // Each series about its own mean, by group; a group's series keep the
  // runs all of them have, so that one order fits them all.
  struct Group {
    std::vector<std::vector<double>> centred;
    std::size_t runs = 0;
  };
  std::vector<Group> kept;
  SerialDependence found;
  double products = 0;
  double squares = 0;
  double pairs = 0;
  for (const auto& group : groups) {
    Group g;
    for (const std::vector<double>& series : group) {
      std::vector<double> present;
      for (const double y : series) {
        if (std::isfinite(y)) present.push_back(y);
      }
      if (present.size() < kFewestRunsForDependence) continue;
      if (g.runs != 0 && present.size() != g.runs) continue;
      const double mean = std::accumulate(present.begin(), present.end(), 0.0) /
                          static_cast<double>(present.size());
      // Values all alike (copies of one run) have no neighbours to speak
      // of; what rounding leaves of their mean is not a series.
      const auto [low, high] =
          std::minmax_element(present.begin(), present.end());
      if (*high - *low <= 1e-9 * std::max(1.0, std::fabs(mean))) continue;
      double spread = 0;
      for (double& y : present) {
        y -= mean;
        spread += y * y;
      }
      if (!(spread > 0)) continue;
      g.runs = present.size();
      g.centred.push_back(std::move(present));
    }
    if (g.centred.empty()) continue;
    std::vector<std::size_t> order(g.runs);
    std::iota(order.begin(), order.end(), std::size_t{0});
    for (const std::vector<double>& d : g.centred) {
      products += Neighbours(d, order);
      for (const double y : d) squares += y * y;
      pairs += static_cast<double>(g.runs - 1);
    }
    found.series += g.centred.size();
    kept.push_back(std::move(g));
  }
  if (found.series == 0) return found;
  found.lagOne = products / squares;
  found.rho = CorrectedLagOne(found.lagOne,
                              pairs / static_cast<double>(found.series) + 1);
  // The test: the same statistic over run orders drawn at random.
  Random random(seed);
  int asLarge = 0;
  for (int p = 0; p < kPermutations; ++p) {
    double shuffled = 0;
    for (const Group& g : kept) {
      std::vector<std::size_t> order(g.runs);
      std::iota(order.begin(), order.end(), std::size_t{0});
      random.Shuffle(order);
      for (const std::vector<double>& d : g.centred) {
        shuffled += Neighbours(d, order);
      }
    }
    asLarge += shuffled >= products ? 1 : 0;
  }
  found.pValue = (1.0 + asLarge) / (1.0 + kPermutations);
  return found;
}
