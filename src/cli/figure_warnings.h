// What the rules concluded about the inputs, said on standard error: a
// drift, an odd first run, outlying runs, a busy machine, too few runs to
// judge; inputs made with and without --settle compared; and comparisons
// the maths could not make (errors).
#ifndef DRIVES_CLI_FIGURE_WARNINGS_H_
#define DRIVES_CLI_FIGURE_WARNINGS_H_

#include <vector>

#include "comparison/columns.h"
#include "comparison/comparison.h"
#include "conclusions/conclusions.h"

// Warns of every conclusion; returns false when a comparison failed (an
// error).
bool SayFigureDoubts(const Comparison& comparison,
                     const std::vector<Column>& columns,
                     const Conclusions& conclusions);

#endif  // DRIVES_CLI_FIGURE_WARNINGS_H_
