// The thresholds of the cluster rule: how far apart the best split of n
// unimodal runs lies by chance, at each level, by simulation.
#ifndef DRIVES_BENCH_CALIBRATION_THRESHOLDS_H_
#define DRIVES_BENCH_CALIBRATION_THRESHOLDS_H_

#include <cstddef>
#include <ostream>
#include <vector>

// The separations (cluster_claims.h: the smaller of the log scale's and
// the plain scale's) at `levels` (upper-tail probabilities) of `samples`
// simulated samples of `n` unimodal values each, of coefficient of
// variation `cv`: log-normal, or normal.
std::vector<double> SeparationQuantiles(std::size_t n, std::size_t samples,
                                        const std::vector<double>& levels,
                                        bool logNormal, double cv,
                                        std::uint64_t seed);

// Writes the table of conclusions/cluster_claims.cc for every count: the
// larger of the log-normal and the normal runs' quantiles at CV 20%, where
// each is most skewed on the other's scale.
void WriteThresholdTable(std::size_t samples, std::ostream& out);

// Writes the table of statistics/change_thresholds.cc: the largest |t| of
// a level change over `samples` series of n normal values each, at every
// level.
void WriteChangeThresholdTable(std::size_t samples, std::ostream& out);

#endif  // DRIVES_BENCH_CALIBRATION_THRESHOLDS_H_
