// The default format: the tables as aligned plain text, for a
// terminal.
#ifndef DRIVES_REPORTERS_TABLE_REPORTER_H_
#define DRIVES_REPORTERS_TABLE_REPORTER_H_

#include "reporters/text_tables_reporter.h"

class TableReporter : public TextTablesReporter {
 protected:
  void WriteTable(const TextTable& table, std::ostream& out) const override;
  void WriteHeading(const std::string& text, int level,
                    std::ostream& out) const override;
  void WriteItem(const std::string& text, int depth,
                 std::ostream& out) const override;
};

#endif  // DRIVES_REPORTERS_TABLE_REPORTER_H_
