// The comparisons of a report: every figure and thread count that an input
// shares with the baseline, each with its ratio estimate, its p adjusted for
// all the report's tests, and its verdict. Computed once; every format
// shows these.
#ifndef DRIVES_REPORTERS_FIGURE_COMPARISONS_H_
#define DRIVES_REPORTERS_FIGURE_COMPARISONS_H_

#include <string>
#include <vector>

#include "reporters/columns.h"
#include "reporters/comparison.h"

FigureComparisons CompareWithBaseline(const Comparison& comparison,
                                      const std::vector<Column>& columns);

// The verdict in words: "faster 1.11x (1.06–1.15)", "same within 5%
// 1.01x (0.98–1.03)", "no clear difference 1.02x (0.94–1.10): about 12
// runs a side would tell".
std::string VerdictText(const FigureComparison& comparison, double minEffect);

// The verdict in a few words, for a chart: the ratio and interval of a
// difference, "same within 5%", "no clear difference", "too few runs".
std::string ShortVerdictText(const FigureComparison& comparison,
                             double minEffect);

// "1.11x (1.06–1.15)", or the ratio alone where there is no interval.
std::string RatioText(const RatioEstimate& estimate);

// Whether the verdict says the two differ.
bool Differs(Verdict verdict);

#endif  // DRIVES_REPORTERS_FIGURE_COMPARISONS_H_
