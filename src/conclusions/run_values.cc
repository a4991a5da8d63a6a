#include "conclusions/run_values.h"

#include <cmath>

std::size_t FiguresJudged(const std::vector<RunValues>& columns) {
  std::size_t judged = 0;
  for (const RunValues& column : columns) {
    for (const std::vector<double>& values : column.figures) {
      if (!LogValues(values).empty()) ++judged;
    }
  }
  return judged;
}

std::vector<double> LogValues(const std::vector<double>& values,
                              std::vector<std::size_t>* runs) {
  std::vector<double> logs;
  for (std::size_t r = 0; r < values.size(); ++r) {
    if (!std::isfinite(values[r]) || values[r] <= 0) continue;
    logs.push_back(std::log(values[r]));
    if (runs) runs->push_back(r);
  }
  return logs;
}
