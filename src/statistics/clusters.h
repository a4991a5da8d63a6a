// Runs that fall into two clear groups (a bimodal figure, such as a write
// that sometimes waits on the disk and sometimes not): one median with a
// wide interval would describe neither, so each group is told apart.
#ifndef DRIVES_STATISTICS_CLUSTERS_H_
#define DRIVES_STATISTICS_CLUSTERS_H_

#include <optional>
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

// From 6 positive values on: split at the widest gap between neighbouring
// values (on a log scale), the split is clear where that gap is more than
// twice as wide as either group's own range and each group holds at least
// 2 runs.
std::optional<TwoClusters> FindTwoClusters(std::vector<double> values);

#endif  // DRIVES_STATISTICS_CLUSTERS_H_
