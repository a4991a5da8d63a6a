#include "statistics/summary.h"

#include <algorithm>
#include <cmath>

double MedianOfSorted(const std::vector<double>& sorted) {
  const std::size_t n = sorted.size();
  return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return MedianOfSorted(values);
}

Summary Summarize(std::vector<double> values) {
  values.erase(std::remove_if(values.begin(), values.end(),
                              [](double v) { return std::isnan(v); }),
               values.end());
  Summary s;
  s.runs = static_cast<int>(values.size());
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  s.min = values.front();
  s.max = values.back();
  s.median = MedianOfSorted(values);
  double sum = 0;
  for (const double v : values) sum += v;
  s.mean = sum / static_cast<double>(n);
  if (n > 1) {
    double squares = 0;
    for (const double v : values) squares += (v - s.mean) * (v - s.mean);
    s.sd = std::sqrt(squares / static_cast<double>(n - 1));
  }
  s.cv = s.sd / s.mean;
  return s;
}
