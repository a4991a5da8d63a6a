// The default format: the side-by-side table as aligned plain text, for a
// terminal.
#ifndef DRIVES_REPORTERS_TABLE_REPORTER_H_
#define DRIVES_REPORTERS_TABLE_REPORTER_H_

#include "reporters/reporter.h"

class TableReporter : public Reporter {
 public:
  void Write(const Comparison& comparison, std::ostream& out) const override;
  void WriteHistory(const HistoryView& view, std::ostream& out) const override;
};

#endif  // DRIVES_REPORTERS_TABLE_REPORTER_H_
