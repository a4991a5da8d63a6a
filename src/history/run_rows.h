// A run and its figures as the history reads them back, one row a figure:
// one mapping for a session loaded whole and for the summaries that
// version 3 of the schema fills.
#ifndef DRIVES_HISTORY_RUN_ROWS_H_
#define DRIVES_HISTORY_RUN_ROWS_H_

#include <vector>

#include "history/database.h"
#include "history/session.h"

// The columns AddRunRow reads, of `runs r LEFT JOIN figures f`.
inline constexpr char kRunColumns[] =
    "r.run_id, r.number, r.threads, r.disturbed, r.clients, r.role, "
    "f.figure, f.value, f.unit, r.round";

// Adds the row's run (its columns from `first` on, as kRunColumns names
// them) to `runs` where it starts another than `lastRun`, and the row's
// figure where it has one.
void AddRunRow(const SqlRows& row, int first, std::vector<SessionRun>& runs,
               long long& lastRun);

#endif  // DRIVES_HISTORY_RUN_ROWS_H_
