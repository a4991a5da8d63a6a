// The history of one drive as text tables, for the default and markdown
// formats: one per figure, a row per session, a column per thread count,
// each cell the session's median and its "±", and a step marked where the
// figure changed for good.
#ifndef DRIVES_REPORTERS_HISTORY_TABLES_H_
#define DRIVES_REPORTERS_HISTORY_TABLES_H_

#include <string>
#include <utility>
#include <vector>

#include "reporters/history_view.h"
#include "reporters/side_by_side.h"

// (figure label, its table), in figure order.
std::vector<std::pair<std::string, TextTable>> HistoryTables(
    const HistoryView& view);

// "a step of -38%": the mark of the first session after a step.
std::string StepText(double ratio);

#endif  // DRIVES_REPORTERS_HISTORY_TABLES_H_
