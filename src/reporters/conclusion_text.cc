#include "reporters/conclusion_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "reporters/readable_number.h"

namespace {

std::string Joined(const std::vector<std::string>& parts,
                   const char* between = "; ") {
  std::string text;
  for (const std::string& part : parts) {
    text += (text.empty() ? "" : between) + part;
  }
  return text;
}

// "x0.71": a figure's ratio.
std::string Times(double ratio) { return "x" + ReadableNumber(ratio); }

std::string PValue(double p) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2g", p);
  return text;
}

// "these 20 runs are worth about 7 independent ones, and its comparisons
// count them so".
std::string WorthText(const SerialDependence& dependence, std::size_t count,
                      const std::string& noun) {
  const long worth = std::max(1L, std::lround(dependence.Worth(count)));
  return "these " + std::to_string(count) + " " + noun + "s are worth about " +
         std::to_string(worth) +
         (worth == 1 ? " independent " + noun : " independent ones") +
         ", and its comparisons count them so";
}

}  // namespace

std::string ColumnName(const Comparison& comparison, const Column& column) {
  return comparison.inputs[column.input].label + ", " +
         CellText(column.clients, column.threads);
}

std::string BusyText(const InputConclusions& found) {
  char cores[32];
  std::snprintf(cores, sizeof cores, "%.2g", found.otherCores);
  return std::string("the machine was busy throughout: other processes used ") +
         cores +
         " cores on average during its runs, and most runs are marked "
         "disturbed; every figure is a busy machine's";
}

std::vector<ConclusionText> InputConclusionTexts(
    const Comparison& comparison, const std::vector<Column>& columns,
    const Conclusions& conclusions, std::size_t input) {
  std::vector<ConclusionText> said;
  const InputConclusions& found = conclusions.Of(input);
  const std::string& label = comparison.inputs[input].label;
  const auto column = [&](std::size_t c) -> const Column& {
    return columns[conclusions.ColumnOf(input, c)];
  };
  if (found.tooFewRuns) {
    said.push_back(
        {Rule::kFewRuns,
         label + ": too few runs to check for a drift, an odd first run, "
                 "outliers or clusters (5 or more at a thread count)"});
  }
  if (found.busyThroughout) {
    said.push_back({Rule::kBusy, label + ": " + BusyText(found)});
  }
  if (found.dependent) {
    said.push_back(
        {Rule::kDependence,
         label +
             ": the runs are not independent (the machine has phases "
             "lasting several runs): " +
             WorthText(found.dependence, found.runs, "run")});
  }
  if (found.pairsDependent) {
    said.push_back(
        {Rule::kDependence,
         label +
             ": its runs paired round by round do not cancel the machine's "
             "phases (neighbouring pairs' ratios are alike): " +
             WorthText(*found.pairsDependence, found.pairs, "pair")});
  }
  if (found.drift) {
    std::vector<std::string> figures;
    for (const DriftedFigure& d : found.drift->figures) {
      figures.push_back(
          RowOfFigure(d.at.figure).Label() + " at " +
          CellText(column(d.at.column).clients, column(d.at.column).threads) +
          " " + Times(d.change));
    }
    said.push_back(
        {Rule::kDrift,
         label + ": the figures drift over the sweep (p " +
             PValue(found.drift->pValue) +
             " over all its figures at once), so the drive or the machine "
             "changed while the runs were made; from the first run to the "
             "last: " +
             Joined(figures)});
  }
  if (found.firstRun) {
    std::vector<std::string> figures;
    for (const auto& [figure, ratio] : found.firstRun->figures) {
      figures.push_back(RowOfFigure(figure).Label() + " " + Times(ratio));
    }
    said.push_back({Rule::kFirstRun,
                    ColumnName(comparison, column(found.firstRun->column)) +
                        ": run " + std::to_string(found.firstRun->run) +
                        ", the first of the sweep, lies off the others: " +
                        Joined(figures) +
                        "; a warm-up run before the measured ones may help "
                        "(drives-report run --warmup 1)"});
  }
  // One line per column and run.
  std::map<std::pair<std::size_t, int>, std::vector<std::string>> outliers;
  for (const OutlierRun& o : found.outliers) {
    outliers[{o.at.column, o.run}].push_back(RowOfFigure(o.at.figure).Label() +
                                             " " + Times(o.ratio));
  }
  for (const auto& [where, figures] : outliers) {
    said.push_back(
        {Rule::kOutlier, ColumnName(comparison, column(where.first)) +
                             ": run " + std::to_string(where.second) +
                             " lies far off the others: " + Joined(figures)});
  }
  return said;
}

std::vector<ConclusionText> ComparisonConclusionTexts(
    const Comparison& comparison, const Conclusions& conclusions) {
  const std::optional<SettleMix>& mix = conclusions.Settle();
  if (!mix) return {};
  const auto labels = [&](const std::vector<std::size_t>& inputs) {
    std::vector<std::string> names;
    names.reserve(inputs.size());
    for (const std::size_t i : inputs) {
      names.push_back(comparison.inputs[i].label);
    }
    return Joined(names, ", ");
  };
  return {{Rule::kSettle,
           labels(mix->settled) + " ran with --settle, " +
               labels(mix->unsettled) +
               " without: their figures, the bulk write above all, do not "
               "measure the same thing"}};
}
