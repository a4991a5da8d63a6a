// The history of one drive as text tables, for the default and markdown
// formats: one per figure, a row per session, a column per series of like
// conditions, each cell the session's median and its "±", and a step
// marked where the figure changed for good.
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

// "±4%" of a session's median and interval; empty without an interval.
std::string PrecisionText(const HistoryPoint& point);

#endif  // DRIVES_REPORTERS_HISTORY_TABLES_H_
