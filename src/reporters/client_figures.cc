#include "reporters/client_figures.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "reporters/readable_number.h"
#include "statistics/summary.h"

std::vector<double> PerClientValues(const Column& column,
                                    const FigureRow& row) {
  std::vector<double> values;
  for (const std::vector<ClientDetail>* clients : column.clientRuns) {
    if (!clients) continue;
    for (const ClientDetail& client : *clients) {
      if (const std::optional<double> v = row.Value(client.record)) {
        values.push_back(*v);
      }
    }
  }
  return values;
}

std::vector<Concurrency> ColumnConcurrency(const Column& column) {
  std::vector<Concurrency> runs;
  for (const std::vector<ClientDetail>* clients : column.clientRuns) {
    if (!clients || clients->empty()) continue;
    std::vector<ClientResult> results;
    std::vector<RunRecord> consoles;
    for (const ClientDetail& client : *clients) {
      results.push_back(client.result);
      consoles.push_back(client.record);
    }
    runs.push_back(MeasureConcurrency(results, consoles));
  }
  return runs;
}

std::optional<double> MedianSkew(const std::vector<Concurrency>& runs) {
  if (runs.empty()) return std::nullopt;
  std::vector<double> skews;
  skews.reserve(runs.size());
  for (const Concurrency& c : runs) skews.push_back(c.startSkew);
  return Summarize(skews).median;
}

std::optional<double> MedianOverlap(const std::vector<Concurrency>& runs,
                                    Section phase) {
  std::vector<double> overlaps;
  for (const Concurrency& c : runs) {
    const std::optional<double>& overlap = c.overlap[static_cast<int>(phase)];
    if (overlap) overlaps.push_back(*overlap);
  }
  if (overlaps.empty()) return std::nullopt;
  return Summarize(overlaps).median;
}

Section PhaseOfRow(const FigureRow& row) {
  return PhaseOf(row.figure, row.kind != FigureRow::Kind::kSingle);
}

TextTable ClientScalingTable(const Comparison& comparison) {
  TextTable table;
  const std::vector<Column> columns = ComparisonColumns(comparison);
  if (!HasClients(columns)) return table;
  // The one-client column of each input and thread count: the ideal's unit.
  std::map<std::pair<std::size_t, std::optional<int>>, const Column*> one;
  std::vector<const Column*> shown;
  for (const Column& column : columns) {
    if (!column.clients) continue;
    shown.push_back(&column);
    if (*column.clients == 1) one[{column.input, column.threads}] = &column;
  }
  table.header = {"Sum over clients (share of K x one client)"};
  for (const Column* column : shown) table.header.push_back(column->label);
  for (const FigureRow& row : ComparedFigures()) {
    if (row.kind == FigureRow::Kind::kThreadCount ||
        row.kind == FigureRow::Kind::kImprovement) {
      continue;
    }
    std::vector<std::string> cells = {row.Label()};
    for (const Column* column : shown) {
      const Summary s = column->Of(row);
      if (s.runs == 0) {
        cells.emplace_back(kMissingCell);
        continue;
      }
      std::string cell = ReadableNumber(s.median);
      const auto base = one.find({column->input, column->threads});
      if (base != one.end()) {
        const Summary single = base->second->Of(row);
        if (single.runs > 0 && single.median > 0) {
          char share[32];
          std::snprintf(share, sizeof share, " (%.0f%%)",
                        100 * s.median / (*column->clients * single.median));
          cell += share;
        }
      }
      cells.push_back(cell);
    }
    table.rows.push_back(std::move(cells));
  }
  table.notes.push_back(
      "Each sum's median over the runs; in brackets its share of the ideal, "
      "K times the one-client sum at the same thread count");
  return table;
}
