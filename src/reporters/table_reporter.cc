#include "reporters/table_reporter.h"

#include <algorithm>

#include "reporters/client_figures.h"
#include "reporters/history_tables.h"
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

void WriteTable(const TextTable& table, std::ostream& out) {
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
  for (const std::string& note : table.notes) out << note << '\n';
}

}  // namespace

void TableReporter::Write(const Comparison& comparison,
                          std::ostream& out) const {
  if (comparison.inputs.empty()) return;
  WriteTable(SideBySideTable(comparison), out);
  const TextTable scaling = ClientScalingTable(comparison);
  if (!scaling.header.empty()) {
    out << '\n';
    WriteTable(scaling, out);
  }
}

void TableReporter::WriteHistory(const HistoryView& view,
                                 std::ostream& out) const {
  out << "Drive " << view.drive << ": " << view.sessions.size()
      << (view.sessions.size() == 1 ? " session" : " sessions")
      << "; each cell the median of a session's runs and its \u00b1\n";
  for (const auto& [label, table] : HistoryTables(view)) {
    out << '\n' << label << '\n';
    WriteTable(table, out);
  }
}
