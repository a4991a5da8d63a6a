#include "reporters/markdown_reporter.h"

#include "messages/utf8_text.h"
#include "reporters/side_by_side.h"

namespace {

// A cell's text with the characters that would end the cell or the table
// escaped: labels come from paths and from the user.
std::string MarkdownCell(const std::string& text) {
  std::string cell;
  // A newline would end the row: control characters are shown escaped.
  for (const char c : Printable(text)) {
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

}  // namespace

void MarkdownReporter::WriteTable(const TextTable& table,
                                  std::ostream& out) const {
  WriteRow(table.header, out);
  out << "|---|";
  for (std::size_t c = 1; c < table.header.size(); ++c) out << "--:|";
  out << '\n';
  for (const auto& row : table.rows) WriteRow(row, out);
  for (const std::string& note : table.notes) {
    out << '\n' << MarkdownCell(note) << '\n';
  }
}

void MarkdownReporter::WriteHeading(const std::string& text, int level,
                                    std::ostream& out) const {
  out << (level > 1 ? "\n### " : "## ") << MarkdownCell(text) << "\n\n";
}

void MarkdownReporter::WriteItem(const std::string& text, int depth,
                                 std::ostream& out) const {
  out << std::string(2 * static_cast<std::size_t>(depth - 1), ' ') << "- "
      << MarkdownCell(text) << '\n';
}
