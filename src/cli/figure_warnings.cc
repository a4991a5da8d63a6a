#include "cli/figure_warnings.h"

#include <string>

#include "messages/messages.h"
#include "reporters/conclusion_text.h"

namespace {

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) {
    text += (text.empty() ? "" : ", ") + part;
  }
  return text;
}

}  // namespace

bool SayFigureDoubts(const Comparison& comparison,
                     const std::vector<Column>& columns,
                     const Conclusions& conclusions) {
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    for (const ConclusionText& said :
         InputConclusionTexts(comparison, columns, conclusions, i)) {
      // Too few runs to judge is a limit, said plainly, not a warning.
      if (said.rule == Rule::kFewRuns) {
        PrintNote(said.text);
      } else {
        PrintWarning(said.text);
      }
    }
  }
  // A settled run measures the drive after written data reached it: not
  // the same figure as an unsettled one.
  std::vector<std::string> settled;
  std::vector<std::string> unsettled;
  for (const ReportInput& input : comparison.inputs) {
    if (input.manifest && input.manifest->settle) {
      settled.push_back(input.label);
    } else {
      unsettled.push_back(input.label);
    }
  }
  if (!settled.empty() && !unsettled.empty()) {
    PrintWarning(Joined(settled) + " ran with --settle, " + Joined(unsettled) +
                 " without: their figures, the bulk write above all, do not "
                 "measure the same thing");
  }
  bool ok = true;
  for (const FigureComparison& f : conclusions.Comparisons()) {
    if (f.judged.estimate) continue;
    PrintError("cannot compare " + ColumnName(comparison, columns[f.column]) +
               " with " + ColumnName(comparison, columns[f.baseline]) + " in " +
               f.row.Label() +
               ": a run's value is not a positive finite number");
    ok = false;
  }
  return ok;
}
