// The thresholds of the rules that judge runs, by simulation: how far
// apart the best split of n unimodal runs lies by chance, how large a
// level change, how far off one run, at each level.
#ifndef DRIVES_BENCH_CALIBRATION_THRESHOLDS_H_
#define DRIVES_BENCH_CALIBRATION_THRESHOLDS_H_

#include <cstddef>
#include <ostream>
#include <vector>

// The separations (cluster_claims.h: the smaller of the log scale's and
// the plain scale's) at `levels` (upper-tail probabilities) of `samples`
// simulated samples of `n` unimodal values each, of coefficient of
// variation `cv`: log-normal, or normal; with Student's t of `df` degrees
// of freedom in place of the normal where `df` > 0.
std::vector<double> SeparationQuantiles(std::size_t n, std::size_t samples,
                                        const std::vector<double>& levels,
                                        bool logNormal, double cv,
                                        std::uint64_t seed, int df = 0);

// Writes a table of conclusions/cluster_claims.cc for every count: the
// larger of the log-normal and the normal runs' quantiles at CV 20%, where
// each is most skewed on the other's scale; or, for heavy tails, of
// Student's t of 3 degrees of freedom at CV 4%.
void WriteThresholdTable(std::size_t samples, bool heavyTails,
                         std::ostream& out);

// Writes the table of statistics/change_thresholds.cc: the largest |t| of
// a level change over `samples` series of n normal values each, at every
// level.
void WriteChangeThresholdTable(std::size_t samples, std::ostream& out);

// Writes a widening table of statistics/change_thresholds.cc: for every
// count n, the |t| of the best level change (or of the least-squares
// slope, where `slope`) that `samples` AR(1) series of n values exceed one
// time in a hundred, over that of independent values, at each lag-1
// correlation from 0.1 to 0.9.
void WriteChangeWideningTable(std::size_t samples, bool slope,
                              std::ostream& out);

// Writes the tables of conclusions/far_runs.cc: the far distance
// (statistics/far_value.h) of the farthest of n values and of the first
// one, over `samples` samples of normal values (`df` 0) or of Student's t
// of `df` degrees of freedom, at every level.
void WriteFarThresholdTable(std::size_t samples, int df, std::ostream& out);

// Writes the gate's table of conclusions/far_runs.cc: for every count n,
// the mean and standard deviation of one figure's term of the gate (-2 log
// of the chance, under normal noise, of its farthest run) over `samples`
// samples of Student's t of 5 and of 3 degrees of freedom.
void WriteFarGateTable(std::size_t samples, std::ostream& out);

#endif  // DRIVES_BENCH_CALIBRATION_THRESHOLDS_H_
