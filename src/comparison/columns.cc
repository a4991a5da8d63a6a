#include "comparison/columns.h"

#include <map>
#include <utility>

#include "comparison/report_work.h"

Summary Column::Of(const FigureRow& row) const {
  return Over([&row](const RunRecord& run) { return row.Value(run); });
}

std::vector<double> Column::Values(const FigureRow& row,
                                   std::vector<int>* numbers) const {
  std::vector<double> values;
  WorkDone().values += static_cast<long long>(runs.size());
  for (std::size_t r = 0; r < runs.size(); ++r) {
    if (const std::optional<double> value = row.Value(*runs[r])) {
      values.push_back(*value);
      if (numbers) numbers->push_back(marks[r].number);
    }
  }
  return values;
}

FigureStatistics Column::Describe(const FigureRow& row,
                                  const SerialDependence& dependence) const {
  return DescribeFigure(Values(row), dependence);
}

std::vector<Column> ComparisonColumns(const Comparison& comparison) {
  std::vector<Column> columns;
  const bool severalInputs = comparison.inputs.size() > 1;
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    const ReportInput& input = comparison.inputs[i];
    // A run whose thread count is missing sorts first, on its own; plain
    // runs before multi-client ones.
    using Key = std::pair<std::optional<int>, std::optional<int>>;
    std::map<Key, Column> byCell;
    bool anyClients = false;
    for (std::size_t r = 0; r < input.runs.size(); ++r) {
      const RunRecord& run = input.runs[r];
      Column& column = byCell[{run.clients, run.threadCount}];
      column.runs.push_back(&run);
      column.marks.push_back(input.marks[r]);
      column.clientRuns.push_back(r < input.clients.size() ? &input.clients[r]
                                                           : nullptr);
      anyClients = anyClients || run.clients.has_value();
    }
    for (auto& [key, column] : byCell) {
      column.input = i;
      column.clients = key.first;
      column.threads = key.second;
      column.label = input.label;
      if (byCell.size() > 1 || anyClients) {
        const std::string cell = key.second || key.first
                                     ? CellText(key.first, key.second)
                                     : "thread count missing";
        column.label = severalInputs ? input.label + ", " + cell : cell;
      }
      columns.push_back(std::move(column));
    }
  }
  return columns;
}

std::vector<ColumnRange> ColumnsByInput(const Comparison& comparison,
                                        const std::vector<Column>& columns) {
  std::vector<ColumnRange> ranges(comparison.inputs.size());
  for (std::size_t c = 0; c < columns.size(); ++c) {
    ColumnRange& range = ranges[columns[c].input];
    if (range.begin == range.end) range.begin = c;
    range.end = c + 1;
  }
  WorkDone().columns += static_cast<long long>(columns.size());
  return ranges;
}

std::vector<std::optional<std::size_t>> BaselineColumns(
    const Comparison& comparison, const std::vector<Column>& columns) {
  std::vector<std::optional<std::size_t>> baselines(columns.size());
  if (!comparison.baseline) return baselines;
  const ColumnRange base =
      ColumnsByInput(comparison, columns)[*comparison.baseline];
  using Cell = std::pair<std::optional<int>, std::optional<int>>;
  std::map<Cell, std::size_t> byCell;
  for (std::size_t c = base.begin; c < base.end; ++c) {
    byCell[{columns[c].clients, columns[c].threads}] = c;
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].input == *comparison.baseline) continue;
    const auto same = byCell.find({columns[c].clients, columns[c].threads});
    if (same != byCell.end()) {
      baselines[c] = same->second;
    } else if (base.end - base.begin == 1) {
      // A baseline of one thread count is the baseline of every column.
      baselines[c] = base.begin;
    }
  }
  WorkDone().columns += static_cast<long long>(columns.size());
  return baselines;
}

bool HasRepeatedRuns(const std::vector<Column>& columns) {
  for (const Column& column : columns) {
    if (column.runs.size() > 1) return true;
  }
  return false;
}

bool HasClients(const std::vector<Column>& columns) {
  for (const Column& column : columns) {
    if (column.clients) return true;
  }
  return false;
}

std::string CellText(const std::optional<int>& clients,
                     const std::optional<int>& threads) {
  const std::string count =
      threads ? ThreadsText(*threads) : std::string("default threads");
  return clients ? ClientsText(*clients) + ", " + count : count;
}
