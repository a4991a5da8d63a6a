#include "conclusions/cluster_claims.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "conclusions/far_runs.h"

namespace {

// The levels of the table: the chance that a unimodal figure's runs split
// as far apart.
constexpr double kLevels[] = {1e-3, 3e-4, 1e-4, 3e-5, 1e-5};
constexpr std::size_t kLevelCount = std::size(kLevels);

struct Row {
  std::size_t n;
  double threshold[kLevelCount];
};

// Made by `drives-calibration thresholds` (bench/calibration): the
// separation's quantiles over 1,000,000 simulated samples of n normal
// values each, at every level.
constexpr Row kThresholds[] = {
    {6, {15.676, 21.622, 28.184, 37.211, 47.662}},
    {7, {12.120, 15.465, 19.301, 24.694, 30.393}},
    {8, {9.931, 12.199, 14.806, 18.285, 20.892}},
    {9, {8.671, 10.252, 12.006, 14.357, 17.689}},
    {10, {7.917, 9.247, 10.652, 12.462, 14.426}},
    {11, {7.190, 8.377, 9.557, 11.461, 12.812}},
    {12, {6.691, 7.596, 8.598, 9.646, 10.681}},
    {13, {6.409, 7.205, 7.990, 8.868, 9.967}},
    {14, {6.124, 6.858, 7.626, 8.537, 9.897}},
    {15, {5.880, 6.585, 7.187, 8.038, 8.790}},
    {16, {5.686, 6.247, 6.839, 7.390, 7.998}},
    {17, {5.502, 6.038, 6.548, 7.116, 7.576}},
    {18, {5.360, 5.847, 6.285, 6.894, 7.409}},
    {19, {5.224, 5.684, 6.064, 6.507, 7.050}},
    {20, {5.110, 5.572, 6.003, 6.477, 7.039}},
    {21, {5.019, 5.450, 5.833, 6.253, 6.657}},
    {22, {4.939, 5.332, 5.710, 6.123, 6.521}},
    {23, {4.850, 5.224, 5.609, 6.047, 6.501}},
    {24, {4.778, 5.116, 5.503, 5.814, 6.212}},
    {25, {4.717, 5.068, 5.421, 5.735, 6.063}},
    {26, {4.651, 4.978, 5.241, 5.644, 6.026}},
    {27, {4.580, 4.896, 5.162, 5.507, 5.836}},
    {28, {4.537, 4.839, 5.121, 5.478, 5.887}},
    {29, {4.498, 4.807, 5.074, 5.323, 5.568}},
    {30, {4.470, 4.758, 5.020, 5.289, 5.574}},
    {31, {4.419, 4.688, 4.942, 5.268, 5.521}},
    {32, {4.394, 4.660, 4.929, 5.204, 5.505}},
    {33, {4.340, 4.618, 4.886, 5.146, 5.423}},
    {34, {4.317, 4.574, 4.828, 5.142, 5.461}},
    {35, {4.288, 4.543, 4.782, 5.023, 5.214}},
    {36, {4.263, 4.519, 4.780, 5.051, 5.379}},
    {37, {4.221, 4.462, 4.698, 5.007, 5.252}},
    {38, {4.216, 4.474, 4.689, 4.990, 5.260}},
    {39, {4.189, 4.426, 4.670, 4.962, 5.175}},
    {40, {4.171, 4.403, 4.649, 4.912, 5.243}},
    {45, {4.078, 4.318, 4.545, 4.784, 5.042}},
    {50, {4.016, 4.248, 4.434, 4.652, 4.868}},
    {60, {3.955, 4.175, 4.368, 4.591, 4.778}},
    {70, {3.922, 4.131, 4.333, 4.540, 4.716}},
    {80, {3.894, 4.106, 4.292, 4.525, 4.691}},
    {100, {3.888, 4.080, 4.276, 4.479, 4.671}},
    {120, {3.888, 4.071, 4.240, 4.427, 4.589}},
    {150, {3.905, 4.083, 4.235, 4.414, 4.632}},
    {200, {3.939, 4.103, 4.256, 4.432, 4.588}},
};

// The same of Student's t of 3 degrees of freedom on the log scale at CV
// 4% (`drives-calibration thresholds 1000000 heavy`): a machine's heavy
// tails.
constexpr Row kHeavyThresholds[] = {
    {6, {15.548, 21.197, 27.922, 39.105, 52.198}},
    {7, {12.152, 15.776, 20.157, 25.653, 30.422}},
    {8, {10.478, 13.094, 16.113, 19.745, 25.158}},
    {9, {9.379, 11.507, 13.549, 16.321, 19.443}},
    {10, {8.750, 10.576, 12.433, 14.939, 16.715}},
    {11, {8.310, 9.987, 11.745, 14.540, 17.808}},
    {12, {8.135, 9.719, 11.392, 13.655, 16.794}},
    {13, {7.937, 9.363, 10.865, 12.704, 15.494}},
    {14, {7.855, 9.355, 10.806, 12.811, 14.875}},
    {15, {7.787, 9.260, 10.973, 12.558, 14.946}},
    {16, {7.792, 9.278, 10.821, 12.633, 14.737}},
    {17, {7.778, 9.160, 10.708, 12.919, 14.639}},
    {18, {7.718, 9.167, 10.932, 12.749, 15.878}},
    {19, {7.814, 9.246, 10.664, 12.975, 15.404}},
    {20, {7.814, 9.313, 10.959, 12.966, 14.926}},
    {21, {7.820, 9.209, 10.696, 12.760, 14.476}},
    {22, {7.839, 9.251, 10.757, 12.825, 15.852}},
    {23, {7.929, 9.287, 10.893, 12.895, 14.295}},
    {24, {7.960, 9.351, 10.911, 12.891, 14.090}},
    {25, {8.012, 9.533, 11.327, 13.148, 15.443}},
    {26, {8.093, 9.557, 11.441, 13.271, 15.713}},
    {27, {8.066, 9.592, 11.109, 13.216, 15.998}},
    {28, {8.201, 9.646, 11.245, 13.181, 14.877}},
    {29, {8.177, 9.638, 11.136, 13.524, 16.144}},
    {30, {8.185, 9.633, 11.145, 13.433, 14.906}},
    {31, {8.253, 9.739, 11.334, 13.220, 15.773}},
    {32, {8.318, 9.842, 11.395, 13.547, 15.386}},
    {33, {8.336, 9.841, 11.578, 13.687, 15.725}},
    {34, {8.418, 9.944, 11.637, 13.344, 15.865}},
    {35, {8.423, 9.956, 11.530, 14.464, 17.409}},
    {36, {8.449, 10.001, 11.491, 13.544, 16.042}},
    {37, {8.529, 10.070, 11.771, 14.223, 16.253}},
    {38, {8.569, 10.130, 11.594, 13.690, 15.881}},
    {39, {8.582, 10.203, 11.705, 13.774, 15.975}},
    {40, {8.680, 10.134, 11.706, 14.279, 16.727}},
    {45, {8.953, 10.425, 12.347, 14.842, 16.506}},
    {50, {9.097, 10.642, 12.208, 14.108, 16.591}},
    {60, {9.504, 11.212, 12.977, 14.963, 17.659}},
    {70, {9.877, 11.654, 13.375, 16.361, 18.761}},
    {80, {10.191, 11.892, 13.756, 15.930, 18.706}},
    {100, {10.863, 12.679, 14.736, 17.964, 20.268}},
    {120, {11.465, 13.365, 15.590, 18.240, 20.387}},
    {150, {12.225, 14.085, 16.124, 18.787, 22.596}},
    {200, {13.411, 15.651, 17.611, 20.662, 23.078}},
};

}  // namespace

double ClusterThreshold(std::size_t n, double alpha, bool heavyTails) {
  std::size_t level = kLevelCount - 1;
  for (std::size_t l = 0; l < kLevelCount; ++l) {
    if (kLevels[l] <= alpha) {
      level = l;
      break;
    }
  }
  const Row* row = heavyTails ? kHeavyThresholds : kThresholds;
  const Row* const end = heavyTails
                             ? kHeavyThresholds + std::size(kHeavyThresholds)
                             : kThresholds + std::size(kThresholds);
  while (row + 1 < end && (row + 1)->n <= n) ++row;
  if (row + 1 == end || row->n == n) return row->threshold[level];
  // Between two counts of the table, on the line between them.
  const Row& next = *(row + 1);
  const double share =
      static_cast<double>(n - row->n) / static_cast<double>(next.n - row->n);
  return row->threshold[level] +
         share * (next.threshold[level] - row->threshold[level]);
}

Split ClusterSeparation(const std::vector<double>& values) {
  std::vector<double> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  std::vector<double> logs;
  logs.reserve(sorted.size());
  for (const double v : sorted) logs.push_back(std::log(v));
  Split split = BestSplit(logs);
  split.separation = std::min(split.separation, BestSplit(sorted).separation);
  return split;
}

std::optional<TwoClusters> ClaimClusters(const std::vector<double>& values,
                                         double alpha, double minEffect,
                                         bool heavyTails) {
  if (values.size() < kFewestRunsForClusters) return std::nullopt;
  std::vector<double> sorted;
  for (const double v : values) {
    if (!std::isfinite(v) || v <= 0) return std::nullopt;
    sorted.push_back(v);
  }
  std::sort(sorted.begin(), sorted.end());
  const Split split = ClusterSeparation(sorted);
  if (split.at == 0 || !(split.separation >
                         ClusterThreshold(sorted.size(), alpha, heavyTails))) {
    return std::nullopt;
  }
  const TwoClusters clusters = DescribeSplit(sorted, split.at);
  if (!(clusters.high.median > clusters.low.median * (1 + minEffect))) {
    return std::nullopt;
  }
  return clusters;
}

std::vector<ClaimedClusters> FindClusters(const std::vector<RunValues>& columns,
                                          double minEffect, double budget) {
  const double alpha = budget / static_cast<double>(std::max<std::size_t>(
                                    1, FiguresJudged(columns)));
  const std::vector<FarthestRun> farthest = FarthestLaterRuns(columns);
  std::vector<ClaimedClusters> found;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    for (std::size_t f = 0; f < columns[c].figures.size(); ++f) {
      if (const auto clusters =
              ClaimClusters(columns[c].figures[f], alpha, minEffect,
                            TailsOf(farthest, {c, f}) != Tails::kNormal)) {
        found.push_back({{c, f}, *clusters});
      }
    }
  }
  return found;
}
