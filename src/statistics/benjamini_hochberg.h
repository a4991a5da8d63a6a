// Benjamini–Hochberg adjusted p-values: one report tests many figures at
// once, and some would pass at 5% by chance alone.
#ifndef DRIVES_STATISTICS_BENJAMINI_HOCHBERG_H_
#define DRIVES_STATISTICS_BENJAMINI_HOCHBERG_H_

#include <vector>

// The adjusted p of each of `p`, in the same order: compared with q = 0.05,
// they keep the false discovery rate of all of them at 5%.
std::vector<double> AdjustForManyTests(const std::vector<double>& p);

#endif  // DRIVES_STATISTICS_BENJAMINI_HOCHBERG_H_
