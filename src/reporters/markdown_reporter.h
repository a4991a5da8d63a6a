// --format markdown: the tables as Markdown tables, for pasting
// into an issue or a README.
#ifndef DRIVES_REPORTERS_MARKDOWN_REPORTER_H_
#define DRIVES_REPORTERS_MARKDOWN_REPORTER_H_

#include "reporters/text_tables_reporter.h"

class MarkdownReporter : public TextTablesReporter {
 protected:
  void WriteTable(const TextTable& table, std::ostream& out) const override;
  void WriteHeading(const std::string& text, int level,
                    std::ostream& out) const override;
  void WriteItem(const std::string& text, int depth,
                 std::ostream& out) const override;
};

#endif  // DRIVES_REPORTERS_MARKDOWN_REPORTER_H_
