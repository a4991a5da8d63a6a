// Reads the text of a results file or a console transcript of drives64 or
// drives32 into a run record: every line against where the benchmark writes
// it, every figure against the others. A wrong line or figure is a finding;
// an input that ends early is a partial record.
#ifndef DRIVES_RESULTS_RESULTS_READER_H_
#define DRIVES_RESULTS_RESULTS_READER_H_

#include <optional>
#include <string>
#include <string_view>

#include "results/input_text.h"
#include "results/run_record.h"

// Returns the record of `text`, or nothing with `error` set when the text is
// not the output of the benchmark at all. `text` must have passed
// CheckInputText.
std::optional<RunRecord> ReadRunRecord(std::string_view text,
                                       const std::string& source,
                                       InputError& error);

#endif  // DRIVES_RESULTS_RESULTS_READER_H_
