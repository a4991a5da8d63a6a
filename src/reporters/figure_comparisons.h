// The verdicts of a report in words, as every format shows them: the short
// cell of a table or chart ("faster 1.11x (1.06–1.15)") and the whole
// sentence of --details and the HTML page ("no clear difference 1.02x
// (0.94–1.10): about 12 runs a side would tell").
#ifndef DRIVES_REPORTERS_FIGURE_COMPARISONS_H_
#define DRIVES_REPORTERS_FIGURE_COMPARISONS_H_

#include <string>

#include "conclusions/conclusions.h"

// The verdict as a sentence, with the interval shown beside it (the one
// adjusted within its family) and, where the comparison is unsettled, what
// more runs would do.
std::string VerdictText(const FigureComparison& comparison, double minEffect);
// The same without what the memory control says.
std::string PlainVerdictText(const FigureComparison& comparison,
                             double minEffect);
// What the memory control says of it: "; against the memory control 0.99x
// (0.95–1.03): the machine changed, not the drive", or nothing.
std::string ControlledText(const FigureComparison& comparison);

// The verdict in a few words with its ratio and interval, for a table's
// cell: "faster 1.11x (1.06–1.15)", "faster* 1.03x (1.01–1.06)" (a
// difference that may be under the minimum effect), "same 1.01x
// (0.98–1.03)", "unclear 1.02x (0.94–1.10)", "too few runs 1.02x".
std::string ShortVerdictText(const FigureComparison& comparison);

// The verdict in a few words for a chart: the ratio and interval of a
// difference, "same within 5%", "no clear difference", "too few runs".
std::string ChartVerdictText(const FigureComparison& comparison,
                             double minEffect);

// "1.11x (1.06–1.15)", or the ratio alone where there is no interval.
std::string RatioText(double ratio,
                      const std::optional<RatioInterval>& interval);

// "5%", "2.5%".
std::string EffectText(double minEffect);

#endif  // DRIVES_REPORTERS_FIGURE_COMPARISONS_H_
