#include "reporters/columns.h"

#include <map>
#include <utility>

std::string ThreadsText(int threads) {
  return std::to_string(threads) + (threads == 1 ? " thread" : " threads");
}

Summary Column::Of(const FigureRow& row) const {
  return Over([&row](const RunRecord& run) { return row.Value(run); });
}

std::vector<Column> ComparisonColumns(const Comparison& comparison) {
  std::vector<Column> columns;
  const bool severalInputs = comparison.inputs.size() > 1;
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    const ReportInput& input = comparison.inputs[i];
    // A run whose thread count is missing sorts first, on its own.
    std::map<std::optional<int>, std::vector<const RunRecord*>> byThreads;
    for (const RunRecord& run : input.runs) {
      byThreads[run.threadCount].push_back(&run);
    }
    for (auto& [threads, runs] : byThreads) {
      Column column{i, threads, input.label, std::move(runs)};
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
