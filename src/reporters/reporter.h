// The output formats of drives-report, one class each behind this interface:
// a comparison of inputs, and the history of a drive.
#ifndef DRIVES_REPORTERS_REPORTER_H_
#define DRIVES_REPORTERS_REPORTER_H_

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "comparison/comparison.h"
#include "conclusions/conclusions.h"
#include "conclusions/history_check.h"
#include "reporters/history_view.h"

class Reporter {
 public:
  virtual ~Reporter() = default;
  // Writes the whole report of `comparison`, with what was concluded from
  // it, to `out`.
  virtual void Write(const Comparison& comparison,
                     const Conclusions& conclusions,
                     std::ostream& out) const = 0;
  // Writes one drive's history, session by session.
  virtual void WriteHistory(const HistoryView& view,
                            std::ostream& out) const = 0;
  // Writes what `history check` concluded of each drive.
  virtual void WriteCheck(const std::vector<DriveCheck>& checks,
                          std::ostream& out) const = 0;
};

// The format names --format takes; the first is the default.
const std::vector<std::string>& ReportFormats();
// The reporter of one of ReportFormats().
std::unique_ptr<Reporter> MakeReporter(const std::string& format);

#endif  // DRIVES_REPORTERS_REPORTER_H_
