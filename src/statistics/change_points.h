// Where a series (of session medians, on a log scale) changes level and
// stays there: the split whose two sides differ most against the spread
// within them, Student's t of the two means with the pooled deviation,
// scanned over every split that leaves at least two values a side.
#ifndef DRIVES_STATISTICS_CHANGE_POINTS_H_
#define DRIVES_STATISTICS_CHANGE_POINTS_H_

#include <cstddef>
#include <vector>

// Values a side of a split: one value is no level.
constexpr std::size_t kFewestPerLevel = 2;

struct LevelChange {
  std::size_t at = 0;  // the first value of the new level; 0: none
  double t = 0;        // its Student's t: the new level's mean minus the old
};

// The split of [begin, end) of `values` with the largest |t|.
LevelChange BestChange(const std::vector<double>& values, std::size_t begin,
                       std::size_t end);

// Every change point of `values` at `alpha` (each split's chance where
// nothing changes), by binary segmentation: the best split where it passes
// its threshold (widened by `widen`), then each side likewise; in order.
std::vector<std::size_t> ChangePoints(const std::vector<double>& values,
                                      double alpha, double widen = 1);

#endif  // DRIVES_STATISTICS_CHANGE_POINTS_H_
