#include "reporters/text_tables_reporter.h"

#include "reporters/check_text.h"
#include "reporters/history_tables.h"

void TextTablesReporter::Write(const Comparison& comparison,
                               const Conclusions& conclusions,
                               std::ostream& out) const {
  if (comparison.inputs.empty()) return;
  const char* between = "";
  for (const TextTable& table : ComparisonTables(comparison, conclusions)) {
    out << between;
    WriteTable(table, out);
    between = "\n";
  }
}

void TextTablesReporter::WriteHistory(const HistoryView& view,
                                      std::ostream& out) const {
  WriteHeading("Drive " + view.drive, 1, out);
  out << view.sessions.size()
      << (view.sessions.size() == 1 ? " session" : " sessions")
      << "; each cell the median of a session's runs and its \u00b1";
  if (view.from > 0) {
    out << "; judged from session " << view.sessions[view.from].id
        << " on, a change accepted there";
  }
  out << ".\n";
  for (const auto& [label, table] : HistoryTables(view)) {
    WriteHeading(label, 2, out);
    WriteTable(table, out);
  }
}

void TextTablesReporter::WriteCheck(const std::vector<DriveCheck>& checks,
                                    std::ostream& out) const {
  if (checks.empty()) out << kNothingToCheck << '\n';
  for (const DriveCheck& check : checks) {
    WriteHeading(CheckHeading(check), 1, out);
    for (const CheckLine& line : CheckLines(check)) {
      WriteItem(line.text, line.depth, out);
    }
  }
}
