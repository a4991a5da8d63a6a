// What the report fuzz targets do last: the conclusions drawn from a
// comparison and the comparison written in every format.
#ifndef DRIVES_TEST_FUZZ_EVERY_FORMAT_H_
#define DRIVES_TEST_FUZZ_EVERY_FORMAT_H_

#include <sstream>
#include <string>

#include "comparison/columns.h"
#include "comparison/comparison.h"
#include "conclusions/conclusions.h"
#include "reporters/reporter.h"

inline void WriteEveryFormat(const Comparison& comparison) {
  const Conclusions conclusions =
      Conclusions::Draw(comparison, ComparisonColumns(comparison));
  for (const std::string& format : ReportFormats()) {
    std::ostringstream out;
    MakeReporter(format)->Write(comparison, conclusions, out);
  }
}

#endif  // DRIVES_TEST_FUZZ_EVERY_FORMAT_H_
