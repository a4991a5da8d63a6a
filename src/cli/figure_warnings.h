// What makes a figure of repeated runs doubtful, said on standard error: a
// run far from the others (the first of a sweep often is: it warms the
// caches), a drift over the sweep, inputs made with and without --settle,
// and comparisons the maths could not make.
#ifndef DRIVES_CLI_FIGURE_WARNINGS_H_
#define DRIVES_CLI_FIGURE_WARNINGS_H_

#include "reporters/comparison.h"

// Warns of every doubt; returns false when a comparison failed (an error).
bool SayFigureDoubts(const Comparison& comparison);

#endif  // DRIVES_CLI_FIGURE_WARNINGS_H_
