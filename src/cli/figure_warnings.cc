#include "cli/figure_warnings.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "messages/messages.h"
#include "reporters/columns.h"

namespace {

std::string ColumnName(const Comparison& comparison, const Column& column) {
  return comparison.inputs[column.input].label + ", " +
         (column.threads ? ThreadsText(*column.threads)
                         : std::string("default threads"));
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) {
    text += (text.empty() ? "" : "; ") + part;
  }
  return text;
}

void SayColumnDoubts(const Comparison& comparison, const Column& column) {
  std::map<int, std::vector<std::string>> outliers;  // by run number
  std::vector<std::string> drifts;
  bool firstIsOutlier = false;
  for (const FigureRow& row : ComparedFigures()) {
    if (!row.Compares()) continue;
    const FigureStatistics s = column.Describe(row);
    for (const int run : s.outliers) outliers[run].push_back(row.Label());
    firstIsOutlier = firstIsOutlier || s.firstIsOutlier;
    if (s.trend && s.trend->Significant()) {
      char text[64];
      std::snprintf(text, sizeof text, " (rho %.2f, p %.3f)", s.trend->rho,
                    s.trend->pValue);
      drifts.push_back(row.Label() + text);
    }
  }
  const std::string name = ColumnName(comparison, column);
  for (const auto& [run, figures] : outliers) {
    const bool first = firstIsOutlier && run == column.marks.front().number;
    PrintWarning(name + ": run " + std::to_string(run) +
                 (first ? ", the first, " : " ") +
                 "lies far from the others (over 3 robust standard "
                 "deviations from the median) in " +
                 Joined(figures) +
                 (first ? "; a warm-up run before the measured ones may "
                          "help (drives-report run --warmup 1)"
                        : ""));
  }
  if (!drifts.empty()) {
    PrintWarning(name +
                 ": the figures drift over the order of the runs "
                 "(Spearman's rank correlation, significant at 5%), so the "
                 "drive or the machine changed during the sweep: " +
                 Joined(drifts));
  }
}

}  // namespace

bool SayFigureDoubts(const Comparison& comparison) {
  const std::vector<Column> columns = ComparisonColumns(comparison);
  for (const Column& column : columns) {
    if (column.runs.size() > 1) SayColumnDoubts(comparison, column);
  }
  // A settled run measures the drive after written data reached it: not
  // the same figure as an unsettled one.
  std::vector<std::string> settled;
  std::vector<std::string> unsettled;
  for (const ReportInput& input : comparison.inputs) {
    if (input.manifest && input.manifest->settle) {
      settled.push_back(input.label);
    } else {
      unsettled.push_back(input.label);
    }
  }
  if (!settled.empty() && !unsettled.empty()) {
    PrintWarning(Joined(settled) + " ran with --settle, " + Joined(unsettled) +
                 " without: their figures, the bulk write above all, do not "
                 "measure the same thing");
  }
  bool ok = true;
  for (const FigureComparison& f : comparison.comparisons) {
    if (f.estimate) continue;
    PrintError("cannot compare " + ColumnName(comparison, columns[f.column]) +
               " with " + ColumnName(comparison, columns[f.baseline]) + " in " +
               f.row.Label() +
               ": a run's value is not a positive finite number");
    ok = false;
  }
  return ok;
}
