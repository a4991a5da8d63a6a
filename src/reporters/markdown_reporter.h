// --format markdown: the side-by-side table as a Markdown table, for pasting
// into an issue or a README.
#ifndef DRIVES_REPORTERS_MARKDOWN_REPORTER_H_
#define DRIVES_REPORTERS_MARKDOWN_REPORTER_H_

#include "reporters/reporter.h"

class MarkdownReporter : public Reporter {
 public:
  void Write(const Comparison& comparison, std::ostream& out) const override;
  void WriteHistory(const HistoryView& view, std::ostream& out) const override;
};

#endif  // DRIVES_REPORTERS_MARKDOWN_REPORTER_H_
