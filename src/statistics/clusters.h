// Runs that fall into two groups (a bimodal figure, such as a write that
// sometimes waits on the disk and sometimes not): one median with a wide
// interval would describe neither. The maths of the best split of sorted
// values on a log scale; how far apart its groups must lie to be claimed
// is set by simulation (conclusions/cluster_claims.h).
#ifndef DRIVES_STATISTICS_CLUSTERS_H_
#define DRIVES_STATISTICS_CLUSTERS_H_

#include <cstddef>
#include <vector>

struct Cluster {
  double median = 0;
  int runs = 0;
  double share = 0;  // of all runs
};

struct TwoClusters {
  Cluster low;
  Cluster high;
};

// Each group holds at least this many values.
constexpr std::size_t kFewestInCluster = 2;

// The split of `values` (ascending, on whatever scale) into a lower and an
// upper group of at least kFewestInCluster each that lies furthest apart:
// the difference of the groups' means over their pooled standard
// deviation. `at` is the first value of the upper group; none (0) below
// 2 * kFewestInCluster values.
struct Split {
  std::size_t at = 0;
  double separation = 0;
};
Split BestSplit(const std::vector<double>& values);

// The two groups of `sorted` values (ascending) split at `at`.
TwoClusters DescribeSplit(const std::vector<double>& sorted, std::size_t at);

#endif  // DRIVES_STATISTICS_CLUSTERS_H_
