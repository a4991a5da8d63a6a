// What multi-client columns show beside their sums: each figure's value on
// every client (their min, median and max), whether the clients ran
// together (start skew, and each phase's overlap), and how the sums scale
// with the client count against the ideal of K times one client.
#ifndef DRIVES_REPORTERS_CLIENT_FIGURES_H_
#define DRIVES_REPORTERS_CLIENT_FIGURES_H_

#include <optional>
#include <vector>

#include "comparison/columns.h"
#include "reporters/side_by_side.h"
#include "runs/concurrency.h"

// `row`'s value on every client of every run of the column.
std::vector<double> PerClientValues(const Column& column, const FigureRow& row);

// The concurrency of each of the column's runs.
std::vector<Concurrency> ColumnConcurrency(const Column& column);

// The median over the column's runs of the start skew, and of a phase's
// overlap; none without multi-client runs.
std::optional<double> MedianSkew(const std::vector<Concurrency>& runs);
std::optional<double> MedianOverlap(const std::vector<Concurrency>& runs,
                                    Section phase);

// The phase a compared figure is measured in.
Section PhaseOfRow(const FigureRow& row);

// Rows: the figures; columns: each input's and thread count's client
// counts; cells: the sum's median and its share of the ideal. Empty (no
// header) without multi-client columns.
TextTable ClientScalingTable(const Comparison& comparison);

#endif  // DRIVES_REPORTERS_CLIENT_FIGURES_H_
