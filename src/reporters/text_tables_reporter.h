// The formats that are text tables (the default table, markdown): the same
// tables of a comparison or of a drive's history, each format laying them
// out its own way.
#ifndef DRIVES_REPORTERS_TEXT_TABLES_REPORTER_H_
#define DRIVES_REPORTERS_TEXT_TABLES_REPORTER_H_

#include <string>

#include "reporters/reporter.h"
#include "reporters/side_by_side.h"

class TextTablesReporter : public Reporter {
 public:
  void Write(const Comparison& comparison, const Conclusions& conclusions,
             std::ostream& out) const override;
  void WriteHistory(const HistoryView& view, std::ostream& out) const override;
  void WriteCheck(const std::vector<DriveCheck>& checks,
                  std::ostream& out) const override;

 protected:
  virtual void WriteTable(const TextTable& table, std::ostream& out) const = 0;
  // `level` 1 heads the document, 2 one table.
  virtual void WriteHeading(const std::string& text, int level,
                            std::ostream& out) const = 0;
  // A line of a list, `depth` 1 or 2.
  virtual void WriteItem(const std::string& text, int depth,
                         std::ostream& out) const = 0;
};

#endif  // DRIVES_REPORTERS_TEXT_TABLES_REPORTER_H_
