#include "cli/figure_warnings.h"

#include "messages/messages.h"
#include "reporters/conclusion_text.h"

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
  for (const ConclusionText& said :
       ComparisonConclusionTexts(comparison, conclusions)) {
    PrintWarning(said.text);
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
