// The spread of one figure over repeated runs: what a user needs to know
// before trusting one number. Kept apart from any display of it.
#ifndef DRIVES_STATISTICS_SUMMARY_H_
#define DRIVES_STATISTICS_SUMMARY_H_

#include <vector>

// A figure whose coefficient of variation is above this is noisy: one run of
// it says little.
constexpr double kNoisyVariation = 0.10;

struct Summary {
  int runs = 0;  // the values summarised
  double median = 0;
  double min = 0;
  double max = 0;
  double mean = 0;
  double sd = 0;  // sample standard deviation (n - 1); 0 for one value
  double cv = 0;  // sd / mean
  bool Noisy() const { return runs > 1 && !(cv <= kNoisyVariation); }
};

// The scale that makes the median absolute deviation estimate a normal
// distribution's standard deviation.
constexpr double kMadToSigma = 1.4826;

// The median of values in ascending order; there must be at least one.
double MedianOfSorted(const std::vector<double>& sorted);
// The median of values in any order; there must be at least one.
double Median(std::vector<double> values);

// Summarises `values`; values that are not numbers are left out. None at
// all gives runs == 0.
Summary Summarize(std::vector<double> values);

#endif  // DRIVES_STATISTICS_SUMMARY_H_
