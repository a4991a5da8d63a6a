// --format csv: tidy long form, one row per input, run, phase, thread (or
// "single" or "total") and measurement, with the values as the input printed
// them, for a spreadsheet or pandas.
#ifndef DRIVES_REPORTERS_CSV_REPORTER_H_
#define DRIVES_REPORTERS_CSV_REPORTER_H_

#include "reporters/reporter.h"

class CsvReporter : public Reporter {
 public:
  void Write(const Comparison& comparison, const Conclusions& conclusions,
             std::ostream& out) const override;
  void WriteHistory(const HistoryView& view, std::ostream& out) const override;
  void WriteCheck(const std::vector<DriveCheck>& checks,
                  std::ostream& out) const override;
};

#endif  // DRIVES_REPORTERS_CSV_REPORTER_H_
