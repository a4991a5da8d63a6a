#include "reporters/columns.h"

#include <map>
#include <utility>

Summary Column::Of(const FigureRow& row) const {
  return Over([&row](const RunRecord& run) { return row.Value(run); });
}

std::vector<double> Column::Values(const FigureRow& row,
                                   std::vector<int>* numbers) const {
  std::vector<double> values;
  for (std::size_t r = 0; r < runs.size(); ++r) {
    if (const std::optional<double> value = row.Value(*runs[r])) {
      values.push_back(*value);
      if (numbers) numbers->push_back(marks[r].number);
    }
  }
  return values;
}

FigureStatistics Column::Describe(const FigureRow& row) const {
  std::vector<int> numbers;
  const std::vector<double> values = Values(row, &numbers);
  return DescribeFigure(values, numbers);
}

std::vector<Column> ComparisonColumns(const Comparison& comparison) {
  std::vector<Column> columns;
  const bool severalInputs = comparison.inputs.size() > 1;
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    const ReportInput& input = comparison.inputs[i];
    // A run whose thread count is missing sorts first, on its own.
    std::map<std::optional<int>, Column> byThreads;
    for (std::size_t r = 0; r < input.runs.size(); ++r) {
      Column& column = byThreads[input.runs[r].threadCount];
      column.runs.push_back(&input.runs[r]);
      column.marks.push_back(input.marks[r]);
    }
    for (auto& [threads, column] : byThreads) {
      column.input = i;
      column.threads = threads;
      column.label = input.label;
      if (byThreads.size() > 1) {
        const std::string count =
            threads ? ThreadsText(*threads) : "thread count missing";
        column.label = severalInputs ? input.label + ", " + count : count;
      }
      columns.push_back(std::move(column));
    }
  }
  return columns;
}

std::optional<std::size_t> BaselineColumn(const Comparison& comparison,
                                          const std::vector<Column>& columns,
                                          std::size_t column) {
  if (!comparison.baseline || columns[column].input == *comparison.baseline) {
    return std::nullopt;
  }
  std::vector<std::size_t> baseColumns;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].input != *comparison.baseline) continue;
    if (columns[c].threads == columns[column].threads) return c;
    baseColumns.push_back(c);
  }
  // A baseline of one thread count is the baseline of every column.
  if (baseColumns.size() == 1) return baseColumns.front();
  return std::nullopt;
}

bool HasRepeatedRuns(const std::vector<Column>& columns) {
  for (const Column& column : columns) {
    if (column.runs.size() > 1) return true;
  }
  return false;
}
