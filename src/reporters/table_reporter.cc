#include "reporters/table_reporter.h"

#include <algorithm>

#include "messages/utf8_text.h"
#include "reporters/side_by_side.h"

namespace {

constexpr char kColumnGap[] = "  ";

// The columns a cell takes on a terminal: its UTF-8 characters ("±", "–").
std::size_t Width(const std::string& text) {
  std::size_t width = 0;
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++width;
  }
  return width;
}

std::string Padding(std::size_t width, const std::string& cell) {
  return std::string(width - Width(cell), ' ');
}

// A note's lines on a terminal: words wrapped within this many columns.
constexpr std::size_t kNoteWidth = 100;

void WriteWrapped(const std::string& note, std::ostream& out) {
  std::string line;
  std::size_t from = 0;
  while (from < note.size()) {
    std::size_t end = note.find(' ', from);
    if (end == std::string::npos) end = note.size();
    const std::string word = note.substr(from, end - from);
    if (!line.empty() && Width(line) + 1 + Width(word) > kNoteWidth) {
      out << line << '\n';
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
    from = end + 1;
  }
  out << line << '\n';
}

}  // namespace

void TableReporter::WriteTable(const TextTable& given,
                               std::ostream& out) const {
  // Names come from files and users: nothing in them drives the terminal.
  // Most tables hold none such, and are written as they are.
  bool asIs = true;
  const auto check = [&](const std::vector<std::string>& cells) {
    for (const std::string& cell : cells) asIs = asIs && PrintableAsIs(cell);
  };
  check(given.header);
  for (const auto& row : given.rows) check(row);
  check(given.notes);
  TextTable shown;
  if (!asIs) {
    shown = given;
    for (std::string& cell : shown.header) cell = Printable(cell);
    for (auto& row : shown.rows) {
      for (std::string& cell : row) cell = Printable(cell);
    }
    for (std::string& note : shown.notes) note = Printable(note);
  }
  const TextTable& table = asIs ? given : shown;
  std::vector<std::size_t> widths(table.header.size());
  for (std::size_t c = 0; c < widths.size(); ++c) {
    widths[c] = Width(table.header[c]);
    for (const auto& row : table.rows) {
      widths[c] = std::max(widths[c], Width(row[c]));
    }
  }
  // The labels are left-aligned, the numbers right-aligned.
  auto writeRow = [&](const std::vector<std::string>& cells) {
    std::string line = cells[0] + Padding(widths[0], cells[0]);
    for (std::size_t c = 1; c < cells.size(); ++c) {
      line += kColumnGap + Padding(widths[c], cells[c]) + cells[c];
    }
    out << line << '\n';
  };
  writeRow(table.header);
  std::vector<std::string> rule;
  rule.reserve(widths.size());
  for (const std::size_t width : widths) rule.emplace_back(width, '-');
  writeRow(rule);
  for (const auto& row : table.rows) writeRow(row);
  for (const std::string& note : table.notes) WriteWrapped(note, out);
}

void TableReporter::WriteHeading(const std::string& text, int level,
                                 std::ostream& out) const {
  out << (level > 1 ? "\n" : "") << Printable(text) << '\n';
}

void TableReporter::WriteItem(const std::string& text, int depth,
                              std::ostream& out) const {
  out << std::string(2 * static_cast<std::size_t>(depth), ' ')
      << Printable(text) << '\n';
}
