#include "reporters/table_reporter.h"

#include <algorithm>

#include "reporters/side_by_side.h"

namespace {

constexpr char kColumnGap[] = "  ";

}  // namespace

void TableReporter::Write(const Comparison& comparison,
                          std::ostream& out) const {
  if (comparison.inputs.empty()) return;
  const TextTable table = SideBySideTable(comparison);
  std::vector<std::size_t> widths(table.header.size());
  for (std::size_t c = 0; c < widths.size(); ++c) {
    widths[c] = table.header[c].size();
    for (const auto& row : table.rows) {
      widths[c] = std::max(widths[c], row[c].size());
    }
  }
  // The labels are left-aligned, the numbers right-aligned.
  auto writeRow = [&](const std::vector<std::string>& cells) {
    std::string line = cells[0] + std::string(widths[0] - cells[0].size(), ' ');
    for (std::size_t c = 1; c < cells.size(); ++c) {
      line +=
          kColumnGap + std::string(widths[c] - cells[c].size(), ' ') + cells[c];
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
