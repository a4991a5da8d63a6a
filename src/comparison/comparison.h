// What a report of drives-report compares: every input that was read, in
// the order given, with its label and its runs, the inputs that could not
// be read, and the baseline of the ratios. The rules draw their
// conclusions from it (conclusions/), and every output format shows the
// two.
#ifndef DRIVES_COMPARISON_COMPARISON_H_
#define DRIVES_COMPARISON_COMPARISON_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "results/figure_rows.h"
#include "results/input_text.h"
#include "results/run_record.h"
#include "runs/manifest.h"
#include "runs/run_folder.h"

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
  // A run folder's, else none: held apart, since most inputs of a large
  // report are files and a manifest is over a kilobyte.
  std::shared_ptr<const Manifest> manifest;
  // Of a sweep that ran in several directories: the sweep's folder (its
  // directories' runs are paired by round) and this directory's role:
  // empty for a drive, kControlDirectoryRole for the memory control.
  std::string sweep;
  std::string role;
};

struct InputFailure {
  std::string source;
  InputError error;
};

struct Comparison {
  std::vector<ReportInput> inputs;
  std::vector<InputFailure> failures;
  // The input every other is divided by; none with a single input.
  std::optional<std::size_t> baseline;
  std::string madeAt;       // when the report was made, UTC, for its reader
  double minEffect = 0.05;  // differences below it count as the same
  bool details = false;     // show every statistic, not just median ± ...
};

#endif  // DRIVES_COMPARISON_COMPARISON_H_
