#include "conclusions/conclusions.h"

#include <cmath>
#include <map>

#include "comparison/report_work.h"
#include "conclusions/cluster_claims.h"
#include "conclusions/dependence.h"
#include "conclusions/disturbance.h"
#include "statistics/distributions.h"

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

// Whether two columns are runs of one sweep's rounds (two of its
// directories), so that their runs pair up.
bool SameSweep(const Comparison& comparison, const Column& a, const Column& b) {
  const std::string& sweep = comparison.inputs[a.input].sweep;
  return !sweep.empty() && sweep == comparison.inputs[b.input].sweep &&
         a.input != b.input;
}

// `row`'s values of the runs of `a` and `b` made in the same round, side
// by side.
void PairByRound(const Column& a, const Column& b, const FigureRow& row,
                 std::vector<double>& x, std::vector<double>& y) {
  std::map<int, double> of;
  for (std::size_t r = 0; r < b.runs.size(); ++r) {
    if (b.marks[r].round <= 0) continue;
    if (const std::optional<double> v = row.Value(*b.runs[r])) {
      of[b.marks[r].round] = *v;
    }
  }
  for (std::size_t r = 0; r < a.runs.size(); ++r) {
    const auto other = of.find(a.marks[r].round);
    if (other == of.end()) continue;
    if (const std::optional<double> v = row.Value(*a.runs[r])) {
      x.push_back(*v);
      y.push_back(other->second);
    }
  }
}

// The memory control's column of each column: the control directory of
// the same sweep, at the same client and thread count.
std::vector<std::optional<std::size_t>> ControlColumns(
    const Comparison& comparison, const std::vector<Column>& columns) {
  std::vector<std::optional<std::size_t>> control(columns.size());
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const ReportInput& input = comparison.inputs[columns[c].input];
    if (input.sweep.empty() || !input.role.empty()) continue;
    for (std::size_t k = 0; k < columns.size(); ++k) {
      const ReportInput& other = comparison.inputs[columns[k].input];
      if (other.sweep == input.sweep && other.role == kControlDirectoryRole &&
          columns[k].clients == columns[c].clients &&
          columns[k].threads == columns[c].threads) {
        control[c] = k;
      }
    }
  }
  return control;
}

// Each run of `column` over its control's run of the same round.
std::vector<double> OverControl(const Column& column, const Column& control,
                                const FigureRow& row) {
  std::vector<double> x;
  std::vector<double> y;
  PairByRound(column, control, row, x, y);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] /= y[i];
  return x;
}

// Sums of the centred logs of pairs, pooled over groups: what a
// correlation is made of.
struct Pooled {
  double xy = 0;
  double xx = 0;
  double yy = 0;
  int n = 0;
  int groups = 0;

  void Add(std::vector<double> x, std::vector<double> y) {
    if (x.size() < 2) return;
    double mx = 0;
    double my = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
      x[i] = std::log(x[i]);
      y[i] = std::log(y[i]);
      mx += x[i];
      my += y[i];
    }
    mx /= static_cast<double>(x.size());
    my /= static_cast<double>(y.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
      xy += (x[i] - mx) * (y[i] - my);
      xx += (x[i] - mx) * (x[i] - mx);
      yy += (y[i] - my) * (y[i] - my);
    }
    n += static_cast<int>(x.size());
    ++groups;
  }

  // Whether they correlate: Pearson, one-sided at 5%.
  bool Correlate() const {
    const int degrees = n - groups - 1;  // the means, and the slope
    if (degrees < 1 || xx <= 0 || yy <= 0) return false;
    const double r = xy / std::sqrt(xx * yy);
    if (r <= 0 || r >= 1) return r >= 1;
    const double t = r * std::sqrt(degrees / (1 - r * r));
    return StudentTwoSided(t, degrees) / 2 < 0.05;
  }
};

Attribution Attribute(const FigureComparison& f) {
  if (!f.controlled || !f.controlled->estimate) return Attribution::kNone;
  if (Differs(f.controlled->verdict)) return Attribution::kDrive;
  if (Differs(f.judged.verdict) && f.controlled->verdict == Verdict::kSame) {
    return Attribution::kMachine;
  }
  return Attribution::kNone;
}

// How alike neighbouring pairs' ratios are, over the paired samples of one
// column (each figure's log ratios in round order), and the most pairs.
std::pair<SerialDependence, std::size_t> PairsDependence(
    const std::vector<Samples>& samples, std::size_t from) {
  std::vector<std::vector<double>> ratios;
  std::size_t most = 0;
  for (std::size_t i = from; i < samples.size(); ++i) {
    const Samples& s = samples[i];
    if (!s.paired) continue;
    std::vector<double> logs;
    for (std::size_t k = 0; k < s.values.size(); ++k) {
      logs.push_back(std::log(s.values[k]) - std::log(s.baseline[k]));
    }
    most = std::max(most, logs.size());
    ratios.push_back(std::move(logs));
  }
  if (most < kFewestRunsForDependence) return {SerialDependence{}, most};
  return {MeasureDependence({ratios}), most};
}

// The verdicts of every input against the baseline, each input one family,
// and again against each side's memory control where both have one; and
// of each input paired with its baseline, how alike its pairs are.
std::vector<FigureComparison> Compare(
    const Comparison& comparison, const std::vector<Column>& columns,
    const std::vector<std::optional<std::size_t>>& controls,
    const std::vector<SerialDependence>& dependence,
    std::vector<std::optional<std::pair<SerialDependence, std::size_t>>>&
        pairsOf) {
  // What a side's runs are worth: as many as there are where they are
  // independent.
  const auto worth = [&](const Column& a, std::size_t m, const Column& b,
                         std::size_t n) {
    return RunsWorth{dependence[a.input].Worth(m),
                     dependence[b.input].Worth(n)};
  };
  std::vector<FigureComparison> all;
  const std::vector<std::optional<std::size_t>> baselines =
      BaselineColumns(comparison, columns);
  const std::vector<ColumnRange> ranges = ColumnsByInput(comparison, columns);
  // Made to measure: a vector grown by doubling holds up to twice its
  // comparisons, the largest part of a report of thousands of inputs.
  std::size_t compared = 0;
  for (const std::optional<std::size_t>& baseline : baselines) {
    compared += baseline ? JudgedRows().size() : 0;
  }
  all.reserve(compared);
  for (const ColumnRange& range : ranges) {
    std::vector<FigureComparison> family;
    std::vector<Samples> samples;
    std::vector<std::size_t> controlledAt;  // into family
    std::vector<Samples> controlledSamples;
    for (std::size_t c = range.begin; c < range.end; ++c) {
      if (!baselines[c]) continue;
      const Column& column = columns[c];
      const Column& base = columns[*baselines[c]];
      const bool sameSweep = SameSweep(comparison, column, base);
      const std::size_t firstOfColumn = samples.size();
      for (const FigureRow* row : JudgedRows()) {
        Samples s;
        if (sameSweep) {
          PairByRound(column, base, *row, s.values, s.baseline);
          // In pairs only where the pair's runs move together: noise the
          // pair does not share adds up, and the pairs' ratio would be the
          // noisier.
          Pooled pooled;
          pooled.Add(s.values, s.baseline);
          s.paired = pooled.Correlate();
          if (!s.paired) {
            s.values = column.Values(*row);
            s.baseline = base.Values(*row);
          }
        } else {
          s.values = column.Values(*row);
          s.baseline = base.Values(*row);
        }
        if (s.values.empty() || s.baseline.empty()) continue;
        if (!s.paired) {
          s.worth = worth(column, s.values.size(), base, s.baseline.size());
        }
        FigureComparison f;
        f.column = c;
        f.baseline = *baselines[c];
        f.row = *row;
        f.runs = static_cast<int>(s.values.size());
        f.baselineRuns = static_cast<int>(s.baseline.size());
        f.paired = s.paired;
        const bool paired = sameSweep;
        const std::optional<std::size_t> mine = controls[c];
        const std::optional<std::size_t> theirs = controls[*baselines[c]];
        if (mine && theirs) {
          if (paired) {
            f.controlledBy = ControlledBy::kPairs;
          } else {
            // Always the ratio: a figure whose control barely moves within
            // a sweep can still move with it from one sweep to the next,
            // and a claim that the drive changed must stand against that.
            f.controlledBy = ControlledBy::kRatio;
            controlledAt.push_back(family.size());
            Samples over{OverControl(column, columns[*mine], *row),
                         OverControl(base, columns[*theirs], *row),
                         false,
                         {}};
            over.worth =
                worth(column, over.values.size(), base, over.baseline.size());
            controlledSamples.push_back(std::move(over));
          }
        }
        family.push_back(f);
        samples.push_back(std::move(s));
      }
      if (sameSweep) {
        const auto [found, pairs] = PairsDependence(samples, firstOfColumn);
        auto& kept = pairsOf[column.input];
        if (found.series > 0 &&
            (!kept || found.Worth(pairs) < kept->first.Worth(kept->second))) {
          kept = std::make_pair(found, pairs);
        }
        if (found.series > 0 && SaysDependence(found, pairs)) {
          for (std::size_t i = firstOfColumn; i < samples.size(); ++i) {
            if (samples[i].paired) {
              samples[i].worth.a = found.Worth(samples[i].values.size());
            }
          }
        }
      }
    }
    const std::vector<FigureVerdict> verdicts =
        JudgeFamily(samples, comparison.minEffect);
    const std::vector<FigureVerdict> controlled =
        JudgeFamily(controlledSamples, comparison.minEffect);
    for (std::size_t i = 0; i < family.size(); ++i) {
      family[i].judged = verdicts[i];
      // Directories of one sweep: the plain verdict is the controlled one.
      if (family[i].controlledBy == ControlledBy::kPairs) {
        family[i].controlled = std::make_shared<FigureVerdict>(verdicts[i]);
      }
    }
    for (std::size_t k = 0; k < controlledAt.size(); ++k) {
      family[controlledAt[k]].controlled =
          std::make_shared<FigureVerdict>(controlled[k]);
    }
    for (FigureComparison& f : family) {
      f.attribution = Attribute(f);
      all.push_back(std::move(f));
    }
  }
  return all;
}

// What the rules find in one input's columns.
InputConclusions JudgeInput(const ReportInput& input,
                            const std::vector<RunValues>& values,
                            double minEffect,
                            const SerialDependence& dependence) {
  InputConclusions found;
  found.dependence = dependence;
  for (const RunValues& column : values) {
    found.runs = std::max(found.runs, column.runs.size());
  }
  found.dependent = SaysDependence(dependence, found.runs);
  found.clusters =
      FindClusters(values, minEffect, RuleOf(Rule::kClusters).budget);
  std::vector<FigureAt> clustered;
  for (const ClaimedClusters& claimed : found.clusters) {
    clustered.push_back(claimed.at);
  }
  bool repeated = false;
  bool judged = false;
  for (const RunValues& column : values) {
    const std::size_t runs = column.runs.size();
    repeated = repeated || runs > 1;
    judged = judged || runs >= kFewestRunsForDrift ||
             runs >= kFewestOtherRuns + 1 || runs >= kFewestRunsForClusters;
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

namespace {

// How alike neighbouring runs are in the columns of one input; none below
// the runs it needs, which most inputs (one file, one run) are.
SerialDependence DependenceOf(const std::vector<Column>& columns,
                              const ColumnRange& range) {
  std::vector<RunValues> values;
  for (std::size_t col = range.begin; col < range.end; ++col) {
    if (columns[col].runs.size() >= kFewestRunsForDependence) {
      values.push_back(ValuesOf(columns[col]));
    }
  }
  return values.empty() ? SerialDependence{} : InputDependence(values);
}

}  // namespace

Conclusions Conclusions::Draw(const Comparison& comparison,
                              const std::vector<Column>& columns) {
  Conclusions c;
  c.controlOf_ = ControlColumns(comparison, columns);
  const std::vector<ColumnRange> ranges = ColumnsByInput(comparison, columns);
  std::vector<SerialDependence> dependence(comparison.inputs.size());
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    dependence[i] = DependenceOf(columns, ranges[i]);
  }
  std::vector<std::optional<std::pair<SerialDependence, std::size_t>>> pairsOf(
      comparison.inputs.size());
  c.comparisons_ =
      Compare(comparison, columns, c.controlOf_, dependence, pairsOf);
  // What each figure of a drive's column measured.
  c.measuredAt_.assign(columns.size() * kFigureRowCount, 0);
  std::vector<std::uint32_t> lastOfRow(kFigureRowCount, 0);
  for (std::size_t col = 0; col < columns.size(); ++col) {
    const ReportInput& input = comparison.inputs[columns[col].input];
    if (input.role == kControlDirectoryRole) continue;
    const std::optional<DriveCeiling> ceiling =
        input.manifest ? input.manifest->driveCeiling : std::nullopt;
    const std::optional<std::size_t> control = c.controlOf_[col];
    for (const FigureRow* row : JudgedRows()) {
      std::vector<double> values;
      std::vector<double> against;
      if (control) {
        PairByRound(columns[col], columns[*control], *row, values, against);
      } else {
        values = columns[col].Values(*row);
      }
      if (values.empty()) continue;
      FigureMeasured m = JudgeMeasured(*row, columns[col].threads, values,
                                       ceiling, control ? &against : nullptr,
                                       true, comparison.minEffect);
      std::uint32_t& last = lastOfRow[row->Position()];
      if (last == 0 || !SameMeasure(c.measured_[last - 1], m)) {
        c.measured_.push_back(std::move(m));
        last = static_cast<std::uint32_t>(c.measured_.size());
      }
      c.measuredAt_[col * kFigureRowCount + row->Position()] = last;
    }
  }
  c.comparisonAt_.assign(columns.size() * kFigureRowCount, 0);
  c.clustersAt_.assign(columns.size() * kFigureRowCount, 0);
  for (std::size_t i = 0; i < c.comparisons_.size(); ++i) {
    const FigureComparison& f = c.comparisons_[i];
    c.comparisonAt_[f.column * kFigureRowCount + f.row.Position()] = i + 1;
  }
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    std::vector<RunValues> values;
    for (std::size_t col = ranges[i].begin; col < ranges[i].end; ++col) {
      values.push_back(ValuesOf(columns[col]));
    }
    c.firstColumn_.push_back(ranges[i].begin);
    for (std::size_t col = ranges[i].begin; col < ranges[i].end; ++col) {
      c.inputOfColumn_.push_back(i);
    }
    c.inputs_.push_back(JudgeInput(comparison.inputs[i], values,
                                   comparison.minEffect, dependence[i]));
    if (pairsOf[i]) {
      InputConclusions& found = c.inputs_.back();
      found.pairsDependence = pairsOf[i]->first;
      found.pairs = pairsOf[i]->second;
      found.pairsDependent =
          SaysDependence(*found.pairsDependence, found.pairs);
      // Its comparisons are of pairs: the runs' own dependence, which they
      // do not use, is not said.
      found.dependent = false;
    }
    for (const ClaimedClusters& claim : c.inputs_.back().clusters) {
      const std::size_t column = ranges[i].begin + claim.at.column;
      c.clusters_.push_back(claim.clusters);
      c.clustersAt_[column * kFigureRowCount +
                    RowOfFigure(claim.at.figure).Position()] =
          c.clusters_.size();
    }
  }
  // A settled run measures the drive after written data reached it: not
  // the same figure as an unsettled one.
  SettleMix mix;
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    const ReportInput& input = comparison.inputs[i];
    (input.manifest && input.manifest->settle ? mix.settled : mix.unsettled)
        .push_back(i);
  }
  if (!mix.settled.empty() && !mix.unsettled.empty()) c.settle_ = mix;
  return c;
}

const FigureMeasured* Conclusions::Measure(std::size_t column,
                                           const FigureRow& row) const {
  const std::uint32_t at =
      measuredAt_[column * kFigureRowCount + row.Position()];
  return at == 0 ? nullptr : &measured_[at - 1];
}

const char* AttributionKey(Attribution attribution) {
  switch (attribution) {
    case Attribution::kDrive:
      return "drive";
    case Attribution::kMachine:
      return "machine";
    case Attribution::kNone:
      break;
  }
  return "none";
}

const FigureComparison* Conclusions::Compared(std::size_t column,
                                              const FigureRow& row) const {
  ++lookups_;
  const std::size_t at =
      comparisonAt_[column * kFigureRowCount + row.Position()];
  return at == 0 ? nullptr : &comparisons_[at - 1];
}

const TwoClusters* Conclusions::Clusters(std::size_t column,
                                         const FigureRow& row) const {
  const std::size_t at = clustersAt_[column * kFigureRowCount + row.Position()];
  return at == 0 ? nullptr : &clusters_[at - 1];
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
