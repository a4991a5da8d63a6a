// --format html: one self-contained page (inline CSS and SVG, no script, no
// network) with comparison, scaling and per-thread charts above the same
// tables the markdown format gives.
#ifndef DRIVES_REPORTERS_HTML_REPORTER_H_
#define DRIVES_REPORTERS_HTML_REPORTER_H_

#include "reporters/reporter.h"

class HtmlReporter : public Reporter {
 public:
  void Write(const Comparison& comparison, const Conclusions& conclusions,
             std::ostream& out) const override;
  void WriteHistory(const HistoryView& view, std::ostream& out) const override;
  void WriteCheck(const std::vector<DriveCheck>& checks,
                  std::ostream& out) const override;
};

#endif  // DRIVES_REPORTERS_HTML_REPORTER_H_
