// The columns of a comparison: the runs of one input at one thread count,
// with the statistics of every compared figure over them. Every format that
// shows statistics takes them from here.
#ifndef DRIVES_COMPARISON_COLUMNS_H_
#define DRIVES_COMPARISON_COLUMNS_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "comparison/comparison.h"
#include "results/figure_rows.h"
#include "statistics/figure_statistics.h"
#include "statistics/summary.h"

struct Column {
  std::size_t input = 0;       // index into Comparison::inputs
  std::optional<int> clients;  // of a multi-client run: how many
  std::optional<int> threads;  // the thread count the runs printed
  std::string label;           // "ssd", "2 threads", "ssd, 2 threads"
  std::vector<const RunRecord*> runs;
  std::vector<RunMark> marks;  // of each run
  // Of each run: its clients, where it is a multi-client run's sum.
  std::vector<const std::vector<ClientDetail>*> clientRuns;

  // The statistics of `row` over the runs that have it.
  Summary Of(const FigureRow& row) const;
  // `row`'s values of the runs that have it, in run order, and their runs'
  // numbers.
  std::vector<double> Values(const FigureRow& row,
                             std::vector<int>* numbers = nullptr) const;
  // What describes `row` over the runs: spread, interval, ...
  FigureStatistics Describe(const FigureRow& row,
                            const SerialDependence& dependence = {}) const;
  // The statistics of what `get` takes from each run (an optional double)
  // over the runs that have it.
  template <typename Get>
  Summary Over(Get get) const {
    std::vector<double> values;
    for (const RunRecord* run : runs) {
      if (const std::optional<double> value = get(*run)) {
        values.push_back(*value);
      }
    }
    return Summarize(std::move(values));
  }
};

// In input order, and within an input by thread count.
std::vector<Column> ComparisonColumns(const Comparison& comparison);

// The columns of each input: [begin, end) of ComparisonColumns(), which
// holds them in input order.
struct ColumnRange {
  std::size_t begin = 0;
  std::size_t end = 0;
};
std::vector<ColumnRange> ColumnsByInput(const Comparison& comparison,
                                        const std::vector<Column>& columns);

// The baseline's column that each column is divided by: the baseline
// input's column of the same client and thread count, or its only column.
// None for the baseline's own columns and where there is no such column.
std::vector<std::optional<std::size_t>> BaselineColumns(
    const Comparison& comparison, const std::vector<Column>& columns);

// Whether any column holds more than one run: then the statistics are
// shown, not single values.
bool HasRepeatedRuns(const std::vector<Column>& columns);

// Whether any column is of multi-client runs.
bool HasClients(const std::vector<Column>& columns);

// "2 clients, 4 threads", "4 threads", "default threads".
std::string CellText(const std::optional<int>& clients,
                     const std::optional<int>& threads);

#endif  // DRIVES_COMPARISON_COLUMNS_H_
