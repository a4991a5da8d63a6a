#include "reporters/history_tables.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "reporters/readable_number.h"

std::string PrecisionText(const HistoryPoint& point) {
  if (!point.low || !point.high || !(point.median > 0)) return "";
  const double percent = (*point.high - *point.low) / 2 / point.median * 100;
  char text[32];
  std::snprintf(text, sizeof text,
                percent < 0.95 ? "\u00b1%.1f%%" : "\u00b1%.0f%%", percent);
  return text;
}

std::vector<std::pair<std::string, TextTable>> HistoryTables(
    const HistoryView& view) {
  // Each figure's columns: (condition, its figure), in figure order.
  std::map<std::size_t, std::vector<std::pair<std::size_t, std::size_t>>>
      byFigure;
  std::map<std::size_t, std::string> keys;
  for (std::size_t c = 0; c < view.conditions.size(); ++c) {
    const std::vector<JudgedFigure>& figures = view.conditions[c].figures;
    for (std::size_t f = 0; f < figures.size(); ++f) {
      const std::size_t position = FigurePosition(figures[f].figure);
      byFigure[position].emplace_back(c, f);
      keys[position] = figures[f].figure;
    }
  }
  std::vector<std::pair<std::string, TextTable>> tables;
  for (const auto& [position, columns] : byFigure) {
    TextTable table;
    table.header = {"Session", "Started"};
    // A row per session that has the figure, by session.
    std::vector<char> present(view.sessions.size(), 0);
    std::vector<std::size_t> sorted;
    for (const auto& [c, f] : columns) {
      for (const HistoryPoint& p : view.conditions[c].figures[f].points) {
        if (!present[p.session]) sorted.push_back(p.session);
        present[p.session] = 1;
      }
    }
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::size_t> rowOf(view.sessions.size(), 0);
    for (std::size_t r = 0; r < sorted.size(); ++r) rowOf[sorted[r]] = r;
    table.rows.resize(sorted.size());
    for (std::size_t r = 0; r < sorted.size(); ++r) {
      const SessionSummary& s = view.sessions[sorted[r]];
      table.rows[r] = {std::to_string(s.id), s.started};
      table.rows[r].resize(2 + columns.size());
    }
    for (std::size_t column = 0; column < columns.size(); ++column) {
      const auto& [c, f] = columns[column];
      const JudgedCondition& condition = view.conditions[c];
      const JudgedFigure& figure = condition.figures[f];
      table.header.push_back(
          ConditionLabel(condition.condition, view.conditions));
      std::size_t shift = 0;
      for (const HistoryPoint& p : figure.points) {
        std::string cell = ReadableNumber(p.median);
        const std::string precision = PrecisionText(p);
        if (!precision.empty()) cell += " " + precision;
        while (shift < figure.shifts.size() &&
               figure.shifts[shift].at <= p.session) {
          if (figure.shifts[shift].at == p.session) {
            cell += " (" + StepText(figure.shifts[shift].ratio) + ")";
          }
          ++shift;
        }
        if (figure.trend && figure.trend->from == p.session) {
          const LevelTrend& t = *figure.trend;
          cell += " (along a line from here: " +
                  TrendMoveText(t.Total(), t.sessions, t.perSession, t.low,
                                t.high) +
                  ")";
        }
        table.rows[rowOf[p.session]][2 + column] = cell;
      }
    }
    tables.emplace_back(FigureLabel(keys[position]), std::move(table));
  }
  return tables;
}
