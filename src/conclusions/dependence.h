// Runs that are not independent (rule kDependence): how alike neighbouring
// runs are, pooled over every figure of an input in run order, which the
// verdicts always take into account (what the runs are worth); said where
// the permutation test finds it at the rule's budget and it leaves the runs
// worth fewer.
#ifndef DRIVES_CONCLUSIONS_DEPENDENCE_H_
#define DRIVES_CONCLUSIONS_DEPENDENCE_H_

#include <cstddef>
#include <vector>

#include "conclusions/run_values.h"
#include "statistics/serial_dependence.h"

// Of an input's columns, each figure a series on the log scale; with
// `detrended`, each about its own least-squares line over the run order,
// so that a drift is not taken for a phase.
SerialDependence InputDependence(const std::vector<RunValues>& columns,
                                 bool detrended = false);

// Whether `found` is said of an input whose columns have at most `runs`.
bool SaysDependence(const SerialDependence& found, std::size_t runs);

#endif  // DRIVES_CONCLUSIONS_DEPENDENCE_H_
