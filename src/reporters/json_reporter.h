// --format json: the full records, findings included, under a schema
// version, for scripts.
#ifndef DRIVES_REPORTERS_JSON_REPORTER_H_
#define DRIVES_REPORTERS_JSON_REPORTER_H_

#include "reporters/reporter.h"

// Raised whenever the shape of the document changes.
constexpr char kJsonSchema[] = "drives-report/3";
// The same, for the history of a drive.
constexpr char kHistoryJsonSchema[] = "drives-history/2";
// The same, for the history check.
constexpr char kCheckJsonSchema[] = "drives-check/1";

class JsonReporter : public Reporter {
 public:
  void Write(const Comparison& comparison, const Conclusions& conclusions,
             std::ostream& out) const override;
  void WriteHistory(const HistoryView& view, std::ostream& out) const override;
  void WriteCheck(const std::vector<DriveCheck>& checks,
                  std::ostream& out) const override;
};

#endif  // DRIVES_REPORTERS_JSON_REPORTER_H_
