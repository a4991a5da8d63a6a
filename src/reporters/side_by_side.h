// The side-by-side table of the default and markdown formats: a row per
// compared figure, a column per input and thread count. Where runs were
// repeated a cell is the median with its "±" (every statistic with
// --details); under each figure, each compared input's verdict against the
// baseline. Built as text cells once, laid out by each format.
#ifndef DRIVES_REPORTERS_SIDE_BY_SIDE_H_
#define DRIVES_REPORTERS_SIDE_BY_SIDE_H_

#include <string>
#include <vector>

#include "comparison/comparison.h"
#include "conclusions/conclusions.h"

struct TextTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;  // each as long as the header
  std::vector<std::string> notes;              // lines under the table
};

// The text a cell shows for a value a run lacks.
constexpr char kMissingCell[] = "missing";

// One table of every column; where inputs are compared at several thread
// counts, one table for each (headed by its thread count) with the inputs
// side by side, the notes under the last.
std::vector<TextTable> SideBySideTables(const Comparison& comparison,
                                        const Conclusions& conclusions);

// Every table of a comparison, in order: the side-by-side table, then for
// multi-client runs the scaling over clients.
std::vector<TextTable> ComparisonTables(const Comparison& comparison,
                                        const Conclusions& conclusions);

#endif  // DRIVES_REPORTERS_SIDE_BY_SIDE_H_
