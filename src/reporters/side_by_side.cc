#include "reporters/side_by_side.h"

#include <cstdio>
#include <optional>

#include "reporters/columns.h"
#include "reporters/figure_rows.h"
#include "reporters/readable_number.h"

namespace {

constexpr char kRatioHeader[] = "ratio";
constexpr char kNoisyNote[] =
    "* noisy: its coefficient of variation is above 10%; one run of it says "
    "little";

std::string Value(const FigureRow& row, double value) {
  // Counts are whole numbers.
  if (!row.Compares()) return std::to_string(static_cast<int>(value));
  return ReadableNumber(value);
}

std::string Percent(double fraction) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", fraction * 100);
  return text;
}

class Builder {
 public:
  explicit Builder(const Comparison& comparison)
      : comparison_(comparison),
        columns_(ComparisonColumns(comparison)),
        statistics_(HasRepeatedRuns(columns_)) {}

  TextTable Build() {
    Header();
    for (const FigureRow& row : ComparedFigures()) {
      if (statistics_) {
        if (!row.Compares()) continue;  // the columns say the thread count
        StatisticRows(row);
      } else {
        ValueRow(row);
      }
    }
    if (noisy_) table_.notes.push_back(kNoisyNote);
    return table_;
  }

 private:
  bool HasRatio(std::size_t c) const {
    return BaselineColumn(comparison_, columns_, c).has_value();
  }

  void Header() {
    const std::optional<std::size_t> baseline = comparison_.baseline;
    table_.header.push_back(baseline
                                ? "Figure (ratios to " +
                                      comparison_.inputs[*baseline].label + ")"
                                : "Figure");
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      table_.header.push_back(columns_[c].label);
      if (HasRatio(c)) table_.header.push_back(kRatioHeader);
    }
    if (statistics_) {
      std::vector<std::string> runs = {"Runs"};
      for (std::size_t c = 0; c < columns_.size(); ++c) {
        runs.push_back(std::to_string(columns_[c].runs.size()));
        if (HasRatio(c)) runs.emplace_back();
      }
      table_.rows.push_back(std::move(runs));
    }
  }

  // The ratio of column `c`'s median to its baseline's.
  std::string Ratio(const FigureRow& row, std::size_t c,
                    const Summary& summary) const {
    if (!row.Compares()) return "";
    const Summary base =
        columns_[*BaselineColumn(comparison_, columns_, c)].Of(row);
    if (summary.runs == 0 || base.runs == 0) return kMissingCell;
    return ReadableRatio(summary.median / base.median);
  }

  // One run per column: its value.
  void ValueRow(const FigureRow& row) {
    std::vector<std::string> cells = {row.Label()};
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      const Summary s = columns_[c].Of(row);
      cells.push_back(s.runs > 0 ? Value(row, s.median) : kMissingCell);
      if (HasRatio(c)) cells.push_back(Ratio(row, c, s));
    }
    table_.rows.push_back(std::move(cells));
  }

  // The median on the figure's own row, then the other statistics.
  void StatisticRows(const FigureRow& row) {
    struct Statistic {
      const char* name;
      std::string (*cell)(const FigureRow&, const Summary&);
    };
    static const Statistic kStatistics[] = {
        {"  runs", [](const FigureRow&,
                      const Summary& s) { return std::to_string(s.runs); }},
        {"  min",
         [](const FigureRow& r, const Summary& s) { return Value(r, s.min); }},
        {"  max",
         [](const FigureRow& r, const Summary& s) { return Value(r, s.max); }},
        {"  mean",
         [](const FigureRow& r, const Summary& s) { return Value(r, s.mean); }},
        {"  sd",
         [](const FigureRow& r, const Summary& s) { return Value(r, s.sd); }},
        {"  cv",
         [](const FigureRow&, const Summary& s) {
           return Percent(s.cv) + (s.Noisy() ? kNoisyMark : "");
         }},
    };
    std::vector<Summary> summaries;
    std::vector<std::string> medians = {row.Label() + ", median"};
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      summaries.push_back(columns_[c].Of(row));
      const Summary& s = summaries.back();
      noisy_ = noisy_ || s.Noisy();
      medians.push_back(s.runs == 0 ? kMissingCell
                                    : Value(row, s.median) +
                                          (s.Noisy() ? kNoisyMark : ""));
      if (HasRatio(c)) medians.push_back(Ratio(row, c, s));
    }
    table_.rows.push_back(std::move(medians));
    for (const Statistic& statistic : kStatistics) {
      std::vector<std::string> cells = {statistic.name};
      for (std::size_t c = 0; c < columns_.size(); ++c) {
        cells.push_back(summaries[c].runs == 0
                            ? kMissingCell
                            : statistic.cell(row, summaries[c]));
        if (HasRatio(c)) cells.emplace_back();
      }
      table_.rows.push_back(std::move(cells));
    }
  }

  const Comparison& comparison_;
  const std::vector<Column> columns_;
  const bool statistics_;
  bool noisy_ = false;
  TextTable table_;
};

}  // namespace

TextTable SideBySideTable(const Comparison& comparison) {
  return Builder(comparison).Build();
}
