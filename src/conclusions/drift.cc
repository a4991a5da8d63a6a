#include "conclusions/drift.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "conclusions/dependence.h"
#include "statistics/random.h"
#include "statistics/ranks.h"
#include "statistics/theil_sen.h"

namespace {

constexpr int kPermutations = 1999;
// The orders are the same for the same runs: a report says the same twice.
constexpr std::uint64_t kSeed = 0x6472696674;

// Ranks centred on their mean.
std::vector<double> CentredRanks(const std::vector<double>& values) {
  std::vector<double> ranks = Ranks(values);
  const double mean = (static_cast<double>(values.size()) + 1) / 2;
  for (double& rank : ranks) rank -= mean;
  return ranks;
}

double SumOfSquares(const std::vector<double>& values) {
  double sum = 0;
  for (const double v : values) sum += v * v;
  return sum;
}

// One figure of one column in the test: its centred value ranks and
// centred logs.
struct Tested {
  FigureAt at;
  std::vector<double> ranks;
  std::vector<double> logs;
  double scale = 0;  // 1 / sqrt of both sums of squares
  // The least-squares slope's step over the column's runs that reaches
  // the minimum effect: the slope is the logs' product with the order
  // over the order's sum of squares.
  double large = 0;
};

// The mean and the largest correlation of the tested figures with the
// order ranks of their columns, each figure counted only where its slope
// moves it by the minimum effect across the sweep: a drift too small to
// matter is not one, and a test that knows it spends its chance of a false
// alarm on the drifts that matter.
std::pair<double, double> Statistics(
    const std::vector<Tested>& tested,
    const std::vector<std::vector<double>>& orders) {
  double sum = 0;
  double largest = 0;
  for (const Tested& t : tested) {
    const std::vector<double>& order = orders[t.at.column];
    double rankDot = 0;
    double logDot = 0;
    for (std::size_t r = 0; r < order.size(); ++r) {
      rankDot += t.ranks[r] * order[r];
      logDot += t.logs[r] * order[r];
    }
    if (!(std::fabs(logDot) > t.large)) continue;
    const double rho = rankDot * t.scale;
    sum += rho;
    largest = std::max(largest, std::fabs(rho));
  }
  return {std::fabs(sum) / static_cast<double>(tested.size()), largest};
}

}  // namespace

std::optional<Drift> FindDrift(const std::vector<RunValues>& columns,
                               double minEffect, double budget) {
  return FindDrift(columns, minEffect, budget,
                   InputDependence(columns, true).rho);
}

std::optional<Drift> FindDrift(const std::vector<RunValues>& columns,
                               double minEffect, double budget, double rho) {
  // Each column's order ranks, centred; figures with a value in every run.
  std::vector<std::vector<double>> orders(columns.size());
  std::vector<Tested> tested;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const RunValues& column = columns[c];
    const std::size_t n = column.runs.size();
    if (n < kFewestRunsForDrift) continue;
    std::vector<double> order(column.runs.begin(), column.runs.end());
    orders[c] = CentredRanks(order);
    for (std::size_t f = 0; f < column.figures.size(); ++f) {
      const std::vector<double> logs = LogValues(column.figures[f]);
      if (logs.size() != n) continue;
      Tested t{{c, f}, CentredRanks(logs), logs, 0, 0};
      double mean = 0;
      for (const double y : logs) mean += y;
      mean /= static_cast<double>(n);
      for (double& y : t.logs) y -= mean;
      const double orderSquares = SumOfSquares(orders[c]);
      const double squares = SumOfSquares(t.ranks) * orderSquares;
      if (!(squares > 0)) continue;  // every run the same
      t.scale = 1 / std::sqrt(squares);
      t.large =
          std::log1p(minEffect) * orderSquares / static_cast<double>(n - 1);
      tested.push_back(std::move(t));
    }
  }
  if (tested.empty()) return std::nullopt;
  const auto [observedMean, observedLargest] = Statistics(tested, orders);
  // Compared with the random orders' statistics widened by the phases.
  const double widen = std::sqrt((1 + rho) / (1 - rho));
  const double mean = observedMean / widen;
  const double largest = observedLargest / widen;
  Random random(kSeed);
  int asLargeMean = 0;
  int asLargeMax = 0;
  std::vector<std::vector<double>> shuffled = orders;
  for (int p = 0; p < kPermutations; ++p) {
    for (std::vector<double>& order : shuffled) random.Shuffle(order);
    const auto [m, l] = Statistics(tested, shuffled);
    // A hair's tolerance: the same correlation in another order is as large.
    asLargeMean += m >= mean - 1e-12 ? 1 : 0;
    asLargeMax += l >= largest - 1e-12 ? 1 : 0;
  }
  // Two statistics, each at half the budget.
  const double p = std::min(
      1.0, 2.0 * (1 + std::min(asLargeMean, asLargeMax)) / (kPermutations + 1));
  if (!(p < budget)) return std::nullopt;
  Drift drift;
  drift.pValue = p;
  for (const Tested& t : tested) {
    const RunValues& column = columns[t.at.column];
    const std::vector<double> logs = LogValues(column.figures[t.at.figure]);
    std::vector<double> x(column.runs.begin(), column.runs.end());
    const double span = x.back() - x.front();
    const double change = std::exp(TheilSenSlope(x, logs) * span);
    if (std::fabs(std::log(change)) > std::log1p(minEffect)) {
      drift.figures.push_back({t.at, change});
    }
  }
  if (drift.figures.empty()) return std::nullopt;
  return drift;
}
