#include "conclusions/conclusions.h"

#include <cmath>
#include <map>

#include "comparison/report_work.h"
#include "conclusions/cluster_claims.h"
#include "conclusions/disturbance.h"

namespace {

// The rows the rules judge: every row of ComparedFigures() that compares.
const std::vector<const FigureRow*>& JudgedRows() {
  static const std::vector<const FigureRow*> rows = [] {
    std::vector<const FigureRow*> compared;
    for (const FigureRow& row : ComparedFigures()) {
      if (row.Compares()) compared.push_back(&row);
    }
    return compared;
  }();
  return rows;
}

// The verdicts of every input against the baseline, each input one family.
std::vector<FigureComparison> Compare(const Comparison& comparison,
                                      const std::vector<Column>& columns) {
  std::vector<FigureComparison> all;
  const std::vector<std::optional<std::size_t>> baselines =
      BaselineColumns(comparison, columns);
  const std::vector<ColumnRange> ranges = ColumnsByInput(comparison, columns);
  for (const ColumnRange& range : ranges) {
    std::vector<FigureComparison> family;
    std::vector<Samples> samples;
    for (std::size_t c = range.begin; c < range.end; ++c) {
      if (!baselines[c]) continue;
      for (const FigureRow* row : JudgedRows()) {
        Samples s{columns[c].Values(*row), columns[*baselines[c]].Values(*row)};
        if (s.values.empty() || s.baseline.empty()) continue;
        FigureComparison f;
        f.column = c;
        f.baseline = *baselines[c];
        f.row = *row;
        f.runs = static_cast<int>(s.values.size());
        f.baselineRuns = static_cast<int>(s.baseline.size());
        family.push_back(f);
        samples.push_back(std::move(s));
      }
    }
    const std::vector<FigureVerdict> verdicts =
        JudgeFamily(samples, comparison.minEffect);
    for (std::size_t i = 0; i < family.size(); ++i) {
      family[i].judged = verdicts[i];
      all.push_back(family[i]);
    }
  }
  return all;
}

// What the rules find in one input's columns.
InputConclusions JudgeInput(const ReportInput& input,
                            const std::vector<RunValues>& values,
                            double minEffect) {
  InputConclusions found;
  const double clusterAlpha =
      RuleOf(Rule::kClusters).budget /
      static_cast<double>(std::max<std::size_t>(1, FiguresJudged(values)));
  std::vector<FigureAt> clustered;
  bool repeated = false;
  bool judged = false;
  for (std::size_t c = 0; c < values.size(); ++c) {
    const std::size_t runs = values[c].runs.size();
    repeated = repeated || runs > 1;
    judged = judged || runs >= kFewestRunsForDrift ||
             runs >= kFewestOtherRuns + 1 || runs >= kFewestRunsForClusters;
    for (std::size_t f = 0; f < values[c].figures.size(); ++f) {
      if (const auto clusters =
              ClaimClusters(values[c].figures[f], clusterAlpha, minEffect)) {
        found.clusters.push_back({{c, f}, *clusters});
        clustered.push_back({c, f});
      }
    }
  }
  found.tooFewRuns = repeated && !judged;
  found.drift = FindDrift(values, minEffect, RuleOf(Rule::kDrift).budget);
  found.firstRun =
      FindFirstRunOff(values, minEffect, RuleOf(Rule::kFirstRun).budget);
  found.outliers = FindOutlierRuns(values, minEffect,
                                   RuleOf(Rule::kOutlier).budget, clustered);
  if (input.manifest) {
    const Disturbance d = JudgeDisturbance(input.manifest->runs);
    found.busyThroughout = d.busyThroughout;
    found.otherCores = d.otherCores;
  }
  for (const RunMark& mark : input.marks) {
    if (mark.disturbed) found.disturbed.push_back(mark.number);
  }
  return found;
}

}  // namespace

const FigureRow& RowOfFigure(std::size_t figure) {
  return *JudgedRows()[figure];
}

std::size_t FigureOfRow(const FigureRow& row) { return row.Position() - 1; }

RunValues ValuesOf(const Column& column) {
  RunValues values;
  for (const RunMark& mark : column.marks) values.runs.push_back(mark.number);
  for (const FigureRow* row : JudgedRows()) {
    std::vector<double> figure;
    WorkDone().values += static_cast<long long>(column.runs.size());
    for (const RunRecord* run : column.runs) {
      figure.push_back(row->Value(*run).value_or(std::nan("")));
    }
    values.figures.push_back(std::move(figure));
  }
  return values;
}

Conclusions Conclusions::Draw(const Comparison& comparison,
                              const std::vector<Column>& columns) {
  Conclusions c;
  c.comparisons_ = Compare(comparison, columns);
  c.comparisonAt_.assign(columns.size() * kFigureRowCount, 0);
  c.clustersAt_.resize(columns.size() * kFigureRowCount);
  for (std::size_t i = 0; i < c.comparisons_.size(); ++i) {
    const FigureComparison& f = c.comparisons_[i];
    c.comparisonAt_[f.column * kFigureRowCount + f.row.Position()] = i + 1;
  }
  const std::vector<ColumnRange> ranges = ColumnsByInput(comparison, columns);
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    std::vector<RunValues> values;
    for (std::size_t col = ranges[i].begin; col < ranges[i].end; ++col) {
      values.push_back(ValuesOf(columns[col]));
    }
    c.firstColumn_.push_back(ranges[i].begin);
    for (std::size_t col = ranges[i].begin; col < ranges[i].end; ++col) {
      c.inputOfColumn_.push_back(i);
    }
    c.inputs_.push_back(
        JudgeInput(comparison.inputs[i], values, comparison.minEffect));
    for (const ClaimedClusters& claim : c.inputs_.back().clusters) {
      const std::size_t column = ranges[i].begin + claim.at.column;
      c.clustersAt_[column * kFigureRowCount +
                    RowOfFigure(claim.at.figure).Position()] = claim.clusters;
    }
  }
  return c;
}

const FigureComparison* Conclusions::Compared(std::size_t column,
                                              const FigureRow& row) const {
  ++WorkDone().comparisons;
  const std::size_t at =
      comparisonAt_[column * kFigureRowCount + row.Position()];
  return at == 0 ? nullptr : &comparisons_[at - 1];
}

const TwoClusters* Conclusions::Clusters(std::size_t column,
                                         const FigureRow& row) const {
  const auto& claimed = clustersAt_[column * kFigureRowCount + row.Position()];
  return claimed ? &*claimed : nullptr;
}

std::vector<int> Conclusions::Outliers(std::size_t column,
                                       const FigureRow& row) const {
  std::vector<int> runs;
  const std::size_t input = inputOfColumn_[column];
  for (const OutlierRun& o : inputs_[input].outliers) {
    if (firstColumn_[input] + o.at.column == column &&
        RowOfFigure(o.at.figure).Position() == row.Position()) {
      runs.push_back(o.run);
    }
  }
  return runs;
}

bool Conclusions::Drifts(std::size_t column, const FigureRow& row) const {
  const std::size_t input = inputOfColumn_[column];
  if (!inputs_[input].drift) return false;
  for (const DriftedFigure& d : inputs_[input].drift->figures) {
    if (firstColumn_[input] + d.at.column == column &&
        RowOfFigure(d.at.figure).Position() == row.Position()) {
      return true;
    }
  }
  return false;
}
