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
// not lines of text (CheckInputText) or not the output of the benchmark at
// all.
std::optional<RunRecord> ReadRunRecord(std::string_view text,
                                       const std::string& source,
                                       InputError& error);

// Reads the file at `path` ("-": standard input) into `text`, reusing its
// storage, and into its record, the record's source being `source`.
std::optional<RunRecord> ReadResultsFile(const std::string& path,
                                         const std::string& source,
                                         std::string& text, InputError& error);

#endif  // DRIVES_RESULTS_RESULTS_READER_H_
