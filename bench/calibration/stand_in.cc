#include "stand_in.h"

#include <cmath>

double Draw(bool logNormal, double cv, Random& random) {
  if (!logNormal) return 1 + cv * random.Normal();
  const double sigma = std::sqrt(std::log1p(cv * cv));
  return std::exp(sigma * random.Normal() - sigma * sigma / 2);
}

double Standard(int df, Random& random) {
  const double z = random.Normal();
  if (df <= 2) return z;
  double chi = 0;
  for (int k = 0; k < df; ++k) {
    const double x = random.Normal();
    chi += x * x;
  }
  return z / std::sqrt(chi / df) * std::sqrt((df - 2.0) / df);
}

namespace {

// Each figure's noise over the sweep's runs (one series for all where the
// phase is shared): AR(1) of `rho`, innovations of unit variance.
std::vector<std::vector<double>> Phases(const StandIn& s, std::size_t total,
                                        Random& random) {
  std::vector<std::vector<double>> series(s.sharedPhase ? 1 : s.figures);
  const double scale = std::sqrt(1 - s.rho * s.rho);
  for (std::vector<double>& e : series) {
    double last = Standard(s.tailsDf, random);
    for (std::size_t t = 0; t < total; ++t) {
      if (t > 0) last = s.rho * last + scale * Standard(s.tailsDf, random);
      e.push_back(last);
    }
  }
  return series;
}

}  // namespace

std::vector<RunValues> MakeInput(const StandIn& s, Random& random) {
  std::vector<RunValues> columns(s.columns);
  const std::size_t total = s.runs * s.columns;
  const bool machine = s.tailsDf > 0 || s.rho > 0;
  const std::vector<std::vector<double>> phases =
      machine ? Phases(s, total, random) : std::vector<std::vector<double>>{};
  // The later run that is off, in the first column.
  const std::size_t outlier = 1 + random.Below(s.runs - 1);
  for (std::size_t c = 0; c < s.columns; ++c) {
    RunValues& column = columns[c];
    column.figures.assign(s.figures, {});
    for (std::size_t r = 0; r < s.runs; ++r) {
      const std::size_t number = r * s.columns + c + 1;  // interleaved
      column.runs.push_back(static_cast<int>(number));
      const double along =
          total > 1 ? static_cast<double>(number - 1) / (total - 1) : 0;
      for (std::size_t f = 0; f < s.figures; ++f) {
        double v =
            machine ? 100 * std::exp(s.cv *
                                     phases[s.sharedPhase ? 0 : f][number - 1])
                    : 100 * Draw(s.logNormal, s.cv, random);
        if (f == 0 && s.bimodal) {
          v = (random.Uniform() < 0.3 ? 75 : 100) * Draw(true, 0.04, random);
        }
        if (f == 0 && s.bulkWrite) {
          v = random.Uniform() < 0.3 ? 600 * Draw(true, 0.15, random)
                                     : 2850 * Draw(true, 0.12, random);
        }
        v *= 1 + s.slideAll * along;
        if (f == 0) v *= 1 + s.slideOne * along;
        if (number == 1) v *= 1 + s.firstAll;
        if (f == 0 && c == 0 && r == outlier) v *= 1 + s.outlierOne;
        column.figures[f].push_back(v);
      }
    }
  }
  return columns;
}
