// Two clusters claimed in a figure's runs only where their groups lie
// further apart than one unimodal figure's runs ever do by chance at the
// rule's budget, shared by every figure of the input: the best split's
// separation (statistics/clusters.h), the smaller of the log scale's and
// the plain scale's, so that a skewed figure's long tail is no group on
// either, against thresholds found by simulating normal and log-normal
// runs of every count, and runs of heavy-tailed noise unless the input's
// other figures rule it out (far_runs.h) (bench/calibration); and only where
// the two groups' medians differ by more than the minimum effect.
#ifndef DRIVES_CONCLUSIONS_CLUSTER_CLAIMS_H_
#define DRIVES_CONCLUSIONS_CLUSTER_CLAIMS_H_

#include <optional>
#include <vector>

#include "conclusions/run_values.h"
#include "statistics/clusters.h"

// Below this many runs no split is claimed: two groups of two are too
// easily made by chance.
constexpr std::size_t kFewestRunsForClusters = 6;

// The separation that the best split of `n` unimodal runs exceeds with
// probability `alpha` at most (the table's nearest level at or below it),
// under normal or log-normal noise, or heavy-tailed noise.
double ClusterThreshold(std::size_t n, double alpha, bool heavyTails = false);

// The split of `values` (positive, any order) on the log scale, with the
// smaller of its separation and the plain scale's best.
Split ClusterSeparation(const std::vector<double>& values);

// The two groups of `values` (positive, any order), where claimed.
std::optional<TwoClusters> ClaimClusters(const std::vector<double>& values,
                                         double alpha, double minEffect,
                                         bool heavyTails = false);

// A figure's runs in two groups, as claimed.
struct ClaimedClusters {
  FigureAt at;
  TwoClusters clusters;
};

// Every figure of an input whose runs fall into two groups, at `budget`
// shared by the figures (Bonferroni).
std::vector<ClaimedClusters> FindClusters(const std::vector<RunValues>& columns,
                                          double minEffect, double budget);

#endif  // DRIVES_CONCLUSIONS_CLUSTER_CLAIMS_H_
