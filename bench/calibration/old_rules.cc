#include "old_rules.h"

#include <algorithm>
#include <cmath>

#include "statistics/benjamini_hochberg.h"
#include "statistics/ratio_estimate.h"
#include "statistics/step_detection.h"
#include "statistics/summary.h"
#include "statistics/trend.h"

namespace old_rules {

std::vector<std::size_t> Outliers(const std::vector<double>& values) {
  std::vector<std::size_t> outliers;
  if (values.size() < 5) return outliers;
  const double median = Median(values);
  std::vector<double> deviations;
  for (const double v : values) deviations.push_back(std::fabs(v - median));
  const double limit = 3 * kMadToSigma * Median(deviations);
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (deviations[i] > limit) outliers.push_back(i);
  }
  return outliers;
}

bool Drifts(const std::vector<double>& values) {
  const std::optional<Trend> trend = RunOrderTrend(values);
  return trend && trend->pValue < 0.05;
}

bool TwoClusters(std::vector<double> values) {
  if (values.size() < 6) return false;
  std::sort(values.begin(), values.end());
  std::vector<double> logs;
  for (const double v : values) logs.push_back(std::log(v));
  std::size_t split = 0;
  double gap = 0;
  for (std::size_t i = 2; i + 2 <= logs.size(); ++i) {
    if (logs[i] - logs[i - 1] > gap) {
      gap = logs[i] - logs[i - 1];
      split = i;
    }
  }
  if (split == 0) return false;
  const double low = logs[split - 1] - logs.front();
  const double high = logs.back() - logs[split];
  return gap > 2 * std::max(low, high);
}

int RunsToSettle(double ratio, double low, double high, int m, int n,
                 double minEffect) {
  const double halfWidth = (std::log(high) - std::log(low)) / 2;
  const double effect = std::fabs(std::log(ratio));
  const double band = std::log1p(minEffect);
  const double wanted = std::max(band - effect, effect);
  if (!(halfWidth > 0) || !(wanted > 0)) return std::max(m, n);
  const double scale = halfWidth / wanted;
  const double runs = 2 / ((1.0 / m + 1.0 / n) / (scale * scale));
  return std::max({4, m, n, static_cast<int>(std::ceil(std::min(runs, 1e6)))});
}

double RunsForPrecision(const std::vector<double>& values, double target) {
  std::vector<double> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  const double centre = MedianOfSorted(sorted);
  std::vector<double> deviations;
  for (const double v : sorted) deviations.push_back(std::fabs(v - centre));
  std::sort(deviations.begin(), deviations.end());
  const double sigma = kMadToSigma * MedianOfSorted(deviations);
  const double ratio = 1.96 * 1.2533 * sigma / (target * std::fabs(centre));
  return std::ceil(ratio * ratio);
}

std::vector<bool> Disturbed(const std::vector<double>& probes,
                            double slowdown) {
  const double fastest = *std::min_element(probes.begin(), probes.end());
  std::vector<bool> marked;
  for (const double p : probes) marked.push_back(p > fastest * slowdown);
  return marked;
}

std::vector<std::pair<bool, std::size_t>> HistoryCheck(
    const std::vector<std::vector<std::vector<double>>>& runs,
    double minEffect) {
  struct Judged {
    RatioEstimate estimate;
    std::size_t since;
    bool step;
  };
  std::vector<Judged> judged;
  for (const auto& figure : runs) {
    const std::size_t n = figure.size();
    std::vector<double> medians;
    for (const auto& session : figure) medians.push_back(Median(session));
    const std::vector<Step> steps = FindSteps(medians, minEffect);
    std::size_t begin = 0;
    std::size_t since = n - 1;
    if (!steps.empty()) {
      since = steps.back().at;
      if (steps.size() > 1) begin = steps[steps.size() - 2].at;
    }
    std::vector<double> before;
    std::vector<double> after;
    for (std::size_t s = begin; s < n; ++s) {
      auto& side = s < since ? before : after;
      side.insert(side.end(), figure[s].begin(), figure[s].end());
    }
    if (const auto e = EstimateRatio(after, before)) {
      judged.push_back({*e, since, !steps.empty()});
    }
  }
  std::vector<double> p;
  for (const Judged& j : judged) p.push_back(j.estimate.pValue);
  const std::vector<double> adjusted = AdjustForManyTests(p);
  std::vector<std::pair<bool, std::size_t>> changed;
  for (std::size_t i = 0; i < judged.size(); ++i) {
    const RatioEstimate& e = judged[i].estimate;
    if (!(e.smallestP < 0.05) || !e.low || adjusted[i] >= 0.05) continue;
    if (*e.low >= 1 - minEffect && *e.high <= 1 + minEffect) continue;
    if (*e.high < 1) {
      changed.emplace_back(true, judged[i].since);
    } else if (*e.low > 1 && judged[i].step) {
      changed.emplace_back(false, judged[i].since);
    }
  }
  return changed;
}

}  // namespace old_rules
