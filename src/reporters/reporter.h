// The output formats of drives-report, one class each behind this interface.
#ifndef DRIVES_REPORTERS_REPORTER_H_
#define DRIVES_REPORTERS_REPORTER_H_

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "reporters/comparison.h"

class Reporter {
 public:
  virtual ~Reporter() = default;
  // Writes the whole report of `comparison` to `out`.
  virtual void Write(const Comparison& comparison, std::ostream& out) const = 0;
};

// The format names --format takes; the first is the default.
const std::vector<std::string>& ReportFormats();
// The reporter of one of ReportFormats().
std::unique_ptr<Reporter> MakeReporter(const std::string& format);

#endif  // DRIVES_REPORTERS_REPORTER_H_
