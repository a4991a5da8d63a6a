#include "reporters/history_tables.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "reporters/readable_number.h"

namespace {

std::string Cell(const FigureStatistics& s) {
  std::string cell = ReadableNumber(s.summary.median);
  if (s.precision) {
    char text[32];
    const double percent = *s.precision * 100;
    std::snprintf(text, sizeof text,
                  percent < 0.95 ? " \u00b1%.1f%%" : " \u00b1%.0f%%", percent);
    cell += text;
  }
  return cell;
}

}  // namespace

std::string StepText(double ratio) {
  char text[64];
  std::snprintf(text, sizeof text, "a step of %+.0f%%", (ratio - 1) * 100);
  return text;
}

std::vector<std::pair<std::string, TextTable>> HistoryTables(
    const HistoryView& view) {
  std::vector<std::pair<std::string, TextTable>> tables;
  for (std::size_t i = 0; i < view.series.size();) {
    // The series of one figure, one per thread count.
    std::size_t end = i;
    while (end < view.series.size() &&
           view.series[end].row.Key() == view.series[i].row.Key()) {
      ++end;
    }
    TextTable table;
    table.header = {"Session", "Started"};
    std::map<std::size_t, std::vector<std::string>> rows;  // by session
    const std::size_t columns = end - i;
    for (std::size_t c = 0; c < columns; ++c) {
      const HistorySeries& series = view.series[i + c];
      table.header.push_back(series.threads ? ThreadsText(*series.threads)
                                            : "default threads");
      for (std::size_t p = 0; p < series.points.size(); ++p) {
        const std::size_t session = series.points[p].session;
        auto& cells = rows[session];
        if (cells.empty()) {
          cells = {std::to_string(view.sessions[session].id),
                   view.sessions[session].started};
          cells.resize(2 + columns);
        }
        std::string cell = Cell(series.points[p].statistics);
        for (const Step& step : series.steps) {
          if (step.at == p) cell += " (" + StepText(step.ratio) + ")";
        }
        cells[2 + c] = cell;
      }
    }
    for (auto& [session, cells] : rows) table.rows.push_back(std::move(cells));
    tables.emplace_back(view.series[i].row.Label(), std::move(table));
    i = end;
  }
  return tables;
}
