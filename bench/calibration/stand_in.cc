#include "stand_in.h"

#include <cmath>

double Draw(bool logNormal, double cv, Random& random) {
  if (!logNormal) return 1 + cv * random.Normal();
  const double sigma = std::sqrt(std::log1p(cv * cv));
  return std::exp(sigma * random.Normal() - sigma * sigma / 2);
}

std::vector<RunValues> MakeInput(const StandIn& s, Random& random) {
  std::vector<RunValues> columns(s.columns);
  const std::size_t total = s.runs * s.columns;
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
        double v = 100 * Draw(s.logNormal, s.cv, random);
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
