// Everything a report concludes from its inputs, drawn once by the rules
// and kept in one record that every format and the command line only show:
// the verdicts of each input against the baseline, the clusters and
// outlying runs claimed in each figure, and what each input's rules found
// (a drift, the first run off, a busy machine), and inputs made with and
// without --settle compared. Each conclusion names its
// rule, and through it its false-alarm budget (rules.h).
#ifndef DRIVES_CONCLUSIONS_CONCLUSIONS_H_
#define DRIVES_CONCLUSIONS_CONCLUSIONS_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "comparison/columns.h"
#include "comparison/comparison.h"
#include "conclusions/cluster_claims.h"
#include "conclusions/drift.h"
#include "conclusions/first_run.h"
#include "conclusions/measured.h"
#include "conclusions/outlier_runs.h"
#include "conclusions/rules.h"
#include "conclusions/verdict.h"
#include "results/figure_rows.h"
#include "statistics/clusters.h"
#include "statistics/serial_dependence.h"

// Whom a difference is about: the drive (it stands against the memory
// control too), the machine (it does not), or none to tell.
enum class Attribution { kNone, kDrive, kMachine };
const char* AttributionKey(Attribution attribution);  // "drive", ...

// How the controlled verdict was made.
enum class ControlledBy {
  kNone,   // no memory control on both sides
  kPairs,  // directories of one sweep, paired by round: the phases cancel
  kRatio,  // each run over its control run of the same round
};

// One figure at one thread count of an input other than the baseline,
// against the baseline's.
struct FigureComparison {
  std::size_t column = 0;    // index into ComparisonColumns()
  std::size_t baseline = 0;  // the baseline's column
  FigureRow row;
  int runs = 0;  // of the compared column, and of the baseline's
  int baselineRuns = 0;
  FigureVerdict judged;  // no estimate where the maths cannot take them
  bool paired = false;   // runs of one sweep's rounds, judged in pairs
  // Against each side's memory control, where both have one. Apart, since
  // most comparisons have none and a report may hold a million of them.
  std::shared_ptr<const FigureVerdict> controlled;
  ControlledBy controlledBy = ControlledBy::kNone;
  Attribution attribution = Attribution::kNone;
};

// What the rules found in one input's runs.
struct InputConclusions {
  std::optional<Drift> drift;
  std::optional<FirstRun> firstRun;
  std::vector<OutlierRun> outliers;
  std::vector<ClaimedClusters> clusters;
  // Some column has repeated runs, but none enough for the rules above:
  // said once, rather than nothing.
  bool tooFewRuns = false;
  // Runs marked disturbed, and whether the machine was busy throughout.
  std::vector<int> disturbed;
  bool busyThroughout = false;
  double otherCores = 0;  // other processes' CPU during the runs, median
  // How alike neighbouring runs are, which the verdicts take into account
  // whether or not it is said; said (rule kDependence) where the test finds
  // it and it leaves `runs`, a column's most, worth fewer.
  SerialDependence dependence;
  bool dependent = false;
  std::size_t runs = 0;
  // Of an input compared pair by pair with its baseline (directories of
  // one sweep, round by round): how alike neighbouring pairs' ratios are,
  // over `pairs` rounds. Its comparisons count the pairs as what they are
  // worth where it is said (the pairs do not cancel the machine's phases);
  // said in place of the runs' own, which its comparisons do not use.
  std::optional<SerialDependence> pairsDependence;
  bool pairsDependent = false;
  std::size_t pairs = 0;
};

// Inputs made with --settle compared with inputs made without (rule
// kSettle): by their places in the comparison.
struct SettleMix {
  std::vector<std::size_t> settled;
  std::vector<std::size_t> unsettled;
};

class Conclusions {
 public:
  // Draws every conclusion of `comparison`, whose columns are `columns`.
  static Conclusions Draw(const Comparison& comparison,
                          const std::vector<Column>& columns);

  // The comparisons in order: by compared column, then figure.
  const std::vector<FigureComparison>& Comparisons() const {
    return comparisons_;
  }
  // The comparison of `column` with the baseline in `row`, if any.
  const FigureComparison* Compared(std::size_t column,
                                   const FigureRow& row) const;
  // The clusters claimed in `row` of `column`, if any.
  const TwoClusters* Clusters(std::size_t column, const FigureRow& row) const;
  // The outlying runs claimed in `row` of `column`, by number.
  std::vector<int> Outliers(std::size_t column, const FigureRow& row) const;
  // Whether the input's drift names `row` of `column`.
  bool Drifts(std::size_t column, const FigureRow& row) const;
  // What `row` of `column` measured; none for the control's own columns
  // and the thread count.
  const FigureMeasured* Measure(std::size_t column, const FigureRow& row) const;
  // The memory control's column of `column`, if it has one.
  std::optional<std::size_t> ControlOf(std::size_t column) const {
    return controlOf_[column];
  }
  const InputConclusions& Of(std::size_t input) const { return inputs_[input]; }
  // `row` of `column` described, its runs counted as what they are worth.
  FigureStatistics Describe(const Column& column, const FigureRow& row) const {
    return column.Describe(row, inputs_[column.input].dependence);
  }
  // Whether settled and unsettled inputs are compared, and which.
  const std::optional<SettleMix>& Settle() const { return settle_; }
  // The column of each input's n-th column, as the rules number them.
  std::size_t ColumnOf(std::size_t input, std::size_t column) const {
    return firstColumn_[input] + column;
  }
  // How many comparisons were looked up: the scaling test's count of the
  // reporters' work, which a linear search per cell would multiply.
  long long Lookups() const { return lookups_; }

 private:
  std::vector<FigureComparison> comparisons_;
  std::vector<InputConclusions> inputs_;
  std::vector<std::size_t> firstColumn_;    // of each input
  std::vector<std::size_t> inputOfColumn_;  // of each column
  // By column × figure row: the place plus one, or 0, of its comparison
  // and of the clusters claimed (a slot is smaller than what it finds, and
  // most find nothing); what the figure measured (most figures have it).
  std::vector<std::size_t> comparisonAt_;
  std::vector<std::size_t> clustersAt_;
  std::vector<TwoClusters> clusters_;
  // What each figure measured, by place plus one; alike ones are kept
  // once (without a ceiling or control, each row's is the same in every
  // column).
  std::vector<std::uint32_t> measuredAt_;
  std::vector<FigureMeasured> measured_;
  std::vector<std::optional<std::size_t>> controlOf_;  // by column
  std::optional<SettleMix> settle_;
  // Counted, not concluded: a lookup changes nothing the reporters show.
  mutable long long lookups_ = 0;
};

// The rules' values of a figure row: RunValues::figures[f] is the f-th
// row of ComparedFigures() that compares.
const FigureRow& RowOfFigure(std::size_t figure);
std::size_t FigureOfRow(const FigureRow& row);

// One column's runs as the rules see them.
RunValues ValuesOf(const Column& column);

#endif  // DRIVES_CONCLUSIONS_CONCLUSIONS_H_
