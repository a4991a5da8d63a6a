#include "conclusions/dependence.h"

#include <cmath>

#include "conclusions/rules.h"

namespace {

// `series` less its least-squares line over `x`, where every value is
// there.
void Detrend(const std::vector<int>& x, std::vector<double>& series) {
  const std::size_t n = series.size();
  double mx = 0;
  double my = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!std::isfinite(series[i])) return;
    mx += x[i];
    my += series[i];
  }
  mx /= static_cast<double>(n);
  my /= static_cast<double>(n);
  double sxy = 0;
  double sxx = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sxy += (x[i] - mx) * (series[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
  }
  if (!(sxx > 0)) return;
  for (std::size_t i = 0; i < n; ++i) {
    series[i] -= sxy / sxx * (x[i] - mx);
  }
}

}  // namespace

SerialDependence InputDependence(const std::vector<RunValues>& columns,
                                 bool detrended) {
  std::vector<std::vector<std::vector<double>>> groups;
  for (const RunValues& column : columns) {
    std::vector<std::vector<double>> logs;
    for (const std::vector<double>& figure : column.figures) {
      std::vector<double> series;
      series.reserve(figure.size());
      for (const double v : figure) {
        series.push_back(v > 0 ? std::log(v) : std::nan(""));
      }
      if (detrended && series.size() == column.runs.size()) {
        Detrend(column.runs, series);
      }
      logs.push_back(std::move(series));
    }
    groups.push_back(std::move(logs));
  }
  return MeasureDependence(groups);
}

bool SaysDependence(const SerialDependence& found, std::size_t runs) {
  return found.pValue < RuleOf(Rule::kDependence).budget &&
         std::lround(found.Worth(runs)) < static_cast<long>(runs);
}
