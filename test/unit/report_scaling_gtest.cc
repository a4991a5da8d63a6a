// Every format's work grows with the inputs, never faster: the work of a
// report of 4,000 inputs against that of 1,000, counted (the runs' values
// read, the columns visited, the comparisons looked up), not timed.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <ostream>
#include <sstream>

#include "cli/figure_warnings.h"
#include "comparison/columns.h"
#include "comparison/report_work.h"
#include "conclusions/conclusions.h"
#include "reporters/reporter.h"
#include "results/input_text.h"
#include "results/results_reader.h"
#include "runs/run_folder.h"

namespace {

RunRecord Fixture(const std::string& name) {
  std::ifstream in(std::string(DRIVES_TEST_DATA_DIR) + "/" + name,
                   std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  InputError error;
  return *ReadRunRecord(text.str(), name, error);
}

// `count` inputs as a report makes them: one-run inputs of 16 threads, and
// every tenth the real sweep of three thread counts and nine runs.
Comparison Inputs(std::size_t count) {
  static const RunRecord results = Fixture("sixteen_threads_results.txt");
  static const RunRecord console = Fixture("sixteen_threads_console.txt");
  static RunFolder sweep;
  if (sweep.records.empty()) {
    std::string text;
    InputError error;
    EXPECT_TRUE(
        ReadRunFolder(std::string(DRIVES_TEST_DATA_DIR) + "/../../docs/sweep",
                      text, sweep, error))
        << error.message;
  }
  Comparison comparison;
  comparison.baseline = 0;
  for (std::size_t i = 0; i < count; ++i) {
    ReportInput input;
    input.source = input.label = "input " + std::to_string(i);
    if (i % 10 == 5) {
      input.runs = sweep.records;
      input.marks = sweep.marks;
      input.clients = sweep.clients;
    } else {
      input.runs = {i % 2 ? console : results};
      input.marks = {RunMark{1, false}};
      input.clients.resize(1);
    }
    comparison.inputs.push_back(std::move(input));
  }
  return comparison;
}

struct Counted {
  long long values;
  long long columns;
  long long comparisons;
};

// The work of comparing and warning, and of one format's report.
Counted Work(std::size_t inputs, const std::string& format) {
  WorkDone() = {};
  const Comparison comparison = Inputs(inputs);
  const std::vector<Column> columns = ComparisonColumns(comparison);
  const Conclusions conclusions = Conclusions::Draw(comparison, columns);
  std::ostream discard(nullptr);
  // The sweep's warnings, said hundreds of times, go nowhere.
  std::streambuf* const errors = std::cerr.rdbuf(nullptr);
  SayFigureDoubts(comparison, columns, conclusions);
  std::cerr.rdbuf(errors);
  MakeReporter(format)->Write(comparison, conclusions, discard);
  const ReportWork& work = WorkDone();
  return {work.values, work.columns, conclusions.Lookups()};
}

TEST(ReportScalingTest, EveryFormatGrowsNoFasterThanItsInputs) {
  for (const std::string& format : ReportFormats()) {
    const Counted small = Work(1000, format);
    const Counted large = Work(4000, format);
    // Four times the inputs: four times the work, give or take what every
    // report does once.
    EXPECT_LE(large.values, 5 * small.values) << format;
    EXPECT_LE(large.columns, 5 * small.columns) << format;
    EXPECT_LE(large.comparisons, 5 * small.comparisons) << format;
    EXPECT_GT(small.values, 0) << format;
    EXPECT_GT(small.columns, 0) << format;
  }
}

}  // namespace
