#include "thresholds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "conclusions/cluster_claims.h"
#include "conclusions/far_runs.h"
#include "stand_in.h"
#include "statistics/change_points.h"
#include "statistics/far_value.h"
#include "statistics/random.h"

std::vector<double> SeparationQuantiles(std::size_t n, std::size_t samples,
                                        const std::vector<double>& levels,
                                        bool logNormal, double cv,
                                        std::uint64_t seed, int df) {
  Random random(seed);
  std::vector<double> separations(samples);
  const double sigma = std::sqrt(std::log1p(cv * cv));
  std::vector<double> values(n);
  for (double& separation : separations) {
    for (double& v : values) {
      const double z = df > 0 ? Standard(df, random) : random.Normal();
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

void WriteThresholdTable(std::size_t samples, bool heavyTails,
                         std::ostream& out) {
  const std::vector<double> levels = {1e-3, 3e-4, 1e-4, 3e-5, 1e-5};
  std::vector<std::size_t> counts;
  for (std::size_t n = 6; n <= 40; ++n) counts.push_back(n);
  for (const std::size_t n : {45, 50, 60, 70, 80, 100, 120, 150, 200}) {
    counts.push_back(n);
  }
  for (const std::size_t n : counts) {
    // Heavy tails: Student's t of 3 degrees of freedom on the log scale at
    // CV 4%, as a machine makes them; else at CV 20%, where the normal and
    // the log-normal runs are most skewed on the other's scale.
    const int df = heavyTails ? 3 : 0;
    const double cv = heavyTails ? 0.04 : 0.2;
    std::vector<double> q =
        SeparationQuantiles(n, samples, levels, true, cv, n, df);
    const std::vector<double> skewed =
        SeparationQuantiles(n, samples, levels, false, cv, n + 1000, df);
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

namespace {

// One row of a table: the quantiles of `sorted` at `levels`.
void WriteRow(std::size_t n, const std::vector<double>& sorted,
              const std::vector<double>& levels, std::ostream& out) {
  out << "    {" << n << ", {";
  for (std::size_t l = 0; l < levels.size(); ++l) {
    const auto above = static_cast<std::size_t>(
        levels[l] * static_cast<double>(sorted.size()));
    char value[32];
    std::snprintf(
        value, sizeof value, "%.2f",
        sorted[sorted.size() - 1 - std::min(above, sorted.size() - 1)]);
    out << (l ? ", " : "") << value;
  }
  out << "}},\n" << std::flush;
}

}  // namespace

void WriteFarThresholdTable(std::size_t samples, int df, std::ostream& out) {
  const std::vector<double> levels = {0.5,  0.2,  5e-2, 1e-2, 3e-3,
                                      1e-3, 3e-4, 1e-4, 3e-5, 1e-5};
  std::vector<std::size_t> counts;
  for (std::size_t n = 5; n <= 40; ++n) counts.push_back(n);
  for (const std::size_t n : {45, 50, 60, 70, 80, 100, 120, 150, 200}) {
    counts.push_back(n);
  }
  for (const std::size_t n : counts) {
    Random random(9000 + n + 1000 * static_cast<std::size_t>(df));
    std::vector<double> farthest(samples);
    std::vector<double> firsts(samples);
    std::vector<double> values(n);
    for (std::size_t s = 0; s < samples; ++s) {
      for (double& v : values) v = Standard(df, random);
      farthest[s] = FarDistance(values, FarthestFromMedian(values));
      firsts[s] = FarDistance(values, 0);
    }
    std::sort(farthest.begin(), farthest.end());
    std::sort(firsts.begin(), firsts.end());
    out << "farthest ";
    WriteRow(n, farthest, levels, out);
    out << "first ";
    WriteRow(n, firsts, levels, out);
  }
}

void WriteFarGateTable(std::size_t samples, std::ostream& out) {
  std::vector<std::size_t> counts;
  for (std::size_t n = 5; n <= 40; ++n) counts.push_back(n);
  for (const std::size_t n : {45, 50, 60, 70, 80, 100, 120, 150, 200}) {
    counts.push_back(n);
  }
  for (const std::size_t n : counts) {
    out << "    {" << n << ", {";
    for (const int df : {5, 3}) {
      Random random(11000 + n + 1000 * static_cast<std::size_t>(df));
      std::vector<double> values(n);
      double sum = 0;
      double squares = 0;
      for (std::size_t s = 0; s < samples; ++s) {
        for (double& v : values) v = Standard(df, random);
        const double term =
            -2 * std::log(NormalFarthestChance(
                     n, FarDistance(values, FarthestFromMedian(values))));
        sum += term;
        squares += term * term;
      }
      const double count = static_cast<double>(samples);
      const double mean = sum / count;
      char text[64];
      std::snprintf(text, sizeof text, "%s%.4f, %.4f", df == 5 ? "" : ", ",
                    mean, std::sqrt(squares / count - mean * mean));
      out << text;
    }
    out << "}},\n" << std::flush;
  }
}

namespace {

// |t| of the least-squares slope of `series` over its positions, its error
// as if the values were independent.
double SlopeT(const std::vector<double>& series) {
  const double n = static_cast<double>(series.size());
  const double meanX = (n - 1) / 2;
  double meanY = 0;
  for (const double v : series) meanY += v;
  meanY /= n;
  double sxx = 0;
  double sxy = 0;
  for (std::size_t i = 0; i < series.size(); ++i) {
    const double x = static_cast<double>(i) - meanX;
    sxx += x * x;
    sxy += x * (series[i] - meanY);
  }
  const double slope = sxy / sxx;
  double left = 0;
  for (std::size_t i = 0; i < series.size(); ++i) {
    const double e =
        series[i] - meanY - slope * (static_cast<double>(i) - meanX);
    left += e * e;
  }
  return std::fabs(slope) / std::sqrt(left / (n - 2) / sxx);
}

}  // namespace

void WriteChangeWideningTable(std::size_t samples, bool slope,
                              std::ostream& out) {
  std::vector<std::size_t> counts;
  for (std::size_t n = slope ? 6 : 4; n <= 20; ++n) counts.push_back(n);
  for (const std::size_t n : {25, 30, 40, 50, 70, 100, 150, 200, 300, 500}) {
    counts.push_back(n);
  }
  for (const std::size_t n : counts) {
    Random random((slope ? 14000 : 13000) + n);
    out << "    {" << n << ", {";
    double independent = 0;
    for (int r = 0; r <= 9; ++r) {
      const double rho = 0.1 * r;
      const double innovation = std::sqrt(1 - rho * rho);
      std::vector<double> largest(samples);
      std::vector<double> series(n);
      for (double& t : largest) {
        double e = random.Normal();
        for (std::size_t k = 0; k < n; ++k) {
          if (k > 0) e = rho * e + innovation * random.Normal();
          series[k] = e;
        }
        t = slope ? SlopeT(series) : std::fabs(BestChange(series, 0, n).t);
      }
      std::sort(largest.begin(), largest.end());
      const double q = largest[samples - 1 - samples / 100];
      if (r == 0) {
        independent = q;
        continue;
      }
      char value[32];
      std::snprintf(value, sizeof value, "%s%.3f", r > 1 ? ", " : "",
                    q / independent);
      out << value;
    }
    out << "}},\n" << std::flush;
  }
}
