// What a report of drives-report shows: every input that was read, in the
// order given, with its label and its runs, the inputs that could not be
// read, and the baseline of the ratios. Every output format is fed by this
// one structure.
#ifndef DRIVES_REPORTERS_COMPARISON_H_
#define DRIVES_REPORTERS_COMPARISON_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "results/figure_rows.h"
#include "results/input_text.h"
#include "results/run_record.h"
#include "runs/manifest.h"
#include "runs/run_folder.h"
#include "statistics/ratio_estimate.h"
#include "statistics/verdict.h"

// One input: a results file or transcript (one run), or a run folder (its
// runs at one or more thread counts, and its manifest).
struct ReportInput {
  std::string source;  // as given: a path, or "-"
  std::string label;   // unique among the inputs
  std::vector<RunRecord> runs;
  std::vector<RunMark> marks;  // of each run
  // Of each run: a multi-client run's clients (the run is their sum), else
  // none.
  std::vector<std::vector<ClientDetail>> clients;
  std::optional<Manifest> manifest;
};

struct InputFailure {
  std::string source;
  InputError error;
};

// One figure at one thread count of an input other than the baseline,
// against the baseline's: how much larger, how sure, and the verdict.
struct FigureComparison {
  std::size_t column = 0;    // index into ComparisonColumns()
  std::size_t baseline = 0;  // the baseline's column
  FigureRow row;
  int runs = 0;  // of the compared column, and of the baseline's
  int baselineRuns = 0;
  // None where the maths cannot take the values (an infinite rate): an
  // error, never a verdict.
  std::optional<RatioEstimate> estimate;
  double pAdjusted = 1;  // over every comparison of the report
  Verdict verdict = Verdict::kInconclusive;
  int runsToSettle = 0;  // of an inconclusive one, a side
};

// The comparisons of a report in order, each found by its column and figure
// in one step: every format looks one up per cell.
class FigureComparisons {
 public:
  FigureComparisons() = default;
  explicit FigureComparisons(std::vector<FigureComparison> all);
  // The comparison of `column` with the baseline in `row`, if there is one.
  const FigureComparison* Find(std::size_t column, const FigureRow& row) const;
  std::vector<FigureComparison>::const_iterator begin() const {
    return all_.begin();
  }
  std::vector<FigureComparison>::const_iterator end() const {
    return all_.end();
  }
  const FigureComparison& operator[](std::size_t i) const { return all_[i]; }
  std::size_t size() const { return all_.size(); }
  bool empty() const { return all_.empty(); }

 private:
  std::vector<FigureComparison> all_;
  // By column × figure row: the comparison's place in all_ plus one, or 0.
  std::vector<std::size_t> at_;
};

struct Comparison {
  std::vector<ReportInput> inputs;
  std::vector<InputFailure> failures;
  // The input every other is divided by; none with a single input.
  std::optional<std::size_t> baseline;
  std::string madeAt;       // when the report was made, UTC, for its reader
  double minEffect = 0.05;  // differences below it count as the same
  bool details = false;     // show every statistic, not just median ± ...
  FigureComparisons comparisons;
};

#endif  // DRIVES_REPORTERS_COMPARISON_H_
