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

#include "results/input_text.h"
#include "results/run_record.h"
#include "runs/manifest.h"

// One input: a results file or transcript (one run), or a run folder (its
// runs at one or more thread counts, and its manifest).
struct ReportInput {
  std::string source;  // as given: a path, or "-"
  std::string label;   // unique among the inputs
  std::vector<RunRecord> runs;
  std::optional<Manifest> manifest;
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
  std::string madeAt;  // when the report was made, UTC, for its reader
};

#endif  // DRIVES_REPORTERS_COMPARISON_H_
