#include "reporters/markdown_reporter.h"

#include "reporters/client_figures.h"
#include "reporters/history_tables.h"
#include "reporters/side_by_side.h"

namespace {

// A cell's text with the characters that would end the cell or the table
// escaped: labels come from paths and from the user.
std::string MarkdownCell(const std::string& text) {
  std::string cell;
  for (const char c : text) {
    if (c == '|' || c == '\\' || c == '*' || c == '_' || c == '`' || c == '<' ||
        c == '[') {
      cell += '\\';
    }
    cell += c;
  }
  return cell;
}

void WriteRow(const std::vector<std::string>& cells, std::ostream& out) {
  out << '|';
  for (const std::string& cell : cells)
    out << ' ' << MarkdownCell(cell) << " |";
  out << '\n';
}

void WriteTable(const TextTable& table, std::ostream& out) {
  WriteRow(table.header, out);
  out << "|---|";
  for (std::size_t c = 1; c < table.header.size(); ++c) out << "--:|";
  out << '\n';
  for (const auto& row : table.rows) WriteRow(row, out);
  for (const std::string& note : table.notes) {
    out << '\n' << MarkdownCell(note) << '\n';
  }
}

}  // namespace

void MarkdownReporter::Write(const Comparison& comparison,
                             std::ostream& out) const {
  if (comparison.inputs.empty()) return;
  WriteTable(SideBySideTable(comparison), out);
  const TextTable scaling = ClientScalingTable(comparison);
  if (!scaling.header.empty()) {
    out << '\n';
    WriteTable(scaling, out);
  }
}

void MarkdownReporter::WriteHistory(const HistoryView& view,
                                    std::ostream& out) const {
  out << "## Drive " << MarkdownCell(view.drive) << "\n\n"
      << view.sessions.size()
      << (view.sessions.size() == 1 ? " session" : " sessions")
      << "; each cell the median of a session's runs and its \u00b1.\n";
  for (const auto& [label, table] : HistoryTables(view)) {
    out << "\n### " << MarkdownCell(label) << "\n\n";
    WriteTable(table, out);
  }
}
