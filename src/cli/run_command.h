// drives-report run: the sweep, then its report, then the session kept in
// the history, its folder read once for both.
#ifndef DRIVES_CLI_RUN_COMMAND_H_
#define DRIVES_CLI_RUN_COMMAND_H_

#include "cli/history_command.h"
#include "runner/sweep.h"

int RunAndReport(const SweepOptions& sweep, const HistoryOptions& history);

#endif  // DRIVES_CLI_RUN_COMMAND_H_
