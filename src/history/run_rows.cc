#include "history/run_rows.h"

void AddRunRow(const SqlRows& row, int first, std::vector<SessionRun>& runs,
               long long& lastRun) {
  if (runs.empty() || row.Integer(first) != lastRun) {
    lastRun = row.Integer(first);
    SessionRun run;
    run.number = static_cast<int>(row.Integer(first + 1));
    run.threads = row.OptionalInt(first + 2);
    run.disturbed = row.Flag(first + 3);
    run.clients = row.OptionalInt(first + 4);
    run.role = row.Text(first + 5);
    run.round = static_cast<int>(row.Integer(first + 9));
    runs.push_back(run);
  }
  if (!row.Null(first + 6)) {
    runs.back().figures.push_back(
        {row.Text(first + 6), row.Real(first + 7), row.Text(first + 8)});
  }
}
