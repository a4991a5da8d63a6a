// Ranks of values, for the rank tests: from 1, ties sharing their mean rank.
#ifndef DRIVES_STATISTICS_RANKS_H_
#define DRIVES_STATISTICS_RANKS_H_

#include <vector>

std::vector<double> Ranks(const std::vector<double>& values);

#endif  // DRIVES_STATISTICS_RANKS_H_
