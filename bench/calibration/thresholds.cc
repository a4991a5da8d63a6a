#include "thresholds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "conclusions/cluster_claims.h"
#include "statistics/change_points.h"
#include "statistics/random.h"

std::vector<double> SeparationQuantiles(std::size_t n, std::size_t samples,
                                        const std::vector<double>& levels,
                                        bool logNormal, double cv,
                                        std::uint64_t seed) {
  Random random(seed);
  std::vector<double> separations(samples);
  const double sigma = std::sqrt(std::log1p(cv * cv));
  std::vector<double> values(n);
  for (double& separation : separations) {
    for (double& v : values) {
      const double z = random.Normal();
      v = logNormal ? std::exp(sigma * z) : std::max(1e-6, 1 + cv * z);
    }
    separation = ClusterSeparation(values).separation;
  }
  std::sort(separations.begin(), separations.end());
  std::vector<double> quantiles;
  for (const double level : levels) {
    const auto above =
        static_cast<std::size_t>(level * static_cast<double>(samples));
    quantiles.push_back(
        separations[samples - 1 - std::min(above, samples - 1)]);
  }
  return quantiles;
}

void WriteThresholdTable(std::size_t samples, std::ostream& out) {
  const std::vector<double> levels = {1e-3, 3e-4, 1e-4, 3e-5, 1e-5};
  std::vector<std::size_t> counts;
  for (std::size_t n = 6; n <= 40; ++n) counts.push_back(n);
  for (const std::size_t n : {45, 50, 60, 70, 80, 100, 120, 150, 200}) {
    counts.push_back(n);
  }
  for (const std::size_t n : counts) {
    std::vector<double> q =
        SeparationQuantiles(n, samples, levels, true, 0.2, n);
    const std::vector<double> skewed =
        SeparationQuantiles(n, samples, levels, false, 0.2, n + 1000);
    for (std::size_t l = 0; l < q.size(); ++l) q[l] = std::max(q[l], skewed[l]);
    char row[160];
    std::snprintf(row, sizeof row,
                  "    {%zu, {%.3f, %.3f, %.3f, %.3f, %.3f}},\n", n, q[0], q[1],
                  q[2], q[3], q[4]);
    out << row << std::flush;
  }
}

void WriteChangeThresholdTable(std::size_t samples, std::ostream& out) {
  const std::vector<double> levels = {5e-2, 4e-2,   3e-2, 2.5e-2, 2e-2,   1e-2,
                                      5e-3, 2.5e-3, 1e-3, 5e-4,   2.5e-4, 1e-4};
  std::vector<std::size_t> counts;
  for (std::size_t n = 4; n <= 40; ++n) counts.push_back(n);
  for (const std::size_t n :
       {45, 50, 60, 70, 80, 100, 120, 150, 200, 300, 500, 1000}) {
    counts.push_back(n);
  }
  for (const std::size_t n : counts) {
    Random random(7000 + n);
    const std::size_t draws =
        n <= 100 ? samples : std::max<std::size_t>(samples * 100 / n, 100000);
    std::vector<double> largest(draws);
    std::vector<double> series(n);
    for (double& t : largest) {
      for (double& v : series) v = random.Normal();
      t = std::fabs(BestChange(series, 0, n).t);
    }
    std::sort(largest.begin(), largest.end());
    out << "    {" << n << ", {";
    for (std::size_t l = 0; l < levels.size(); ++l) {
      const auto above =
          static_cast<std::size_t>(levels[l] * static_cast<double>(draws));
      char value[32];
      std::snprintf(value, sizeof value, "%.3f",
                    largest[draws - 1 - std::min(above, draws - 1)]);
      out << (l ? ", " : "") << value;
    }
    out << "}},\n" << std::flush;
  }
}
