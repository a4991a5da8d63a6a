// What every history command needs of the store: the history opened (or
// why not, said), the drives a command is about, and a drive's sessions
// judged.
#ifndef DRIVES_CLI_HISTORY_ACCESS_H_
#define DRIVES_CLI_HISTORY_ACCESS_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/history_command.h"
#include "conclusions/history_judgement.h"
#include "history/history_store.h"
#include "reporters/history_view.h"

// The store, or none with `error` set; a missing file for reading gives
// none with `error` empty. `path` is where the history is.
std::unique_ptr<HistoryStore> OpenHistory(const HistoryOptions& options,
                                          HistoryStore::Mode mode,
                                          std::string& path,
                                          std::string& error);

// The store for a command, or none with the error said.
std::unique_ptr<HistoryStore> OpenOrSay(const HistoryOptions& options,
                                        HistoryStore::Mode mode);

// The drives the command's --drive and --machine name (every one without
// them); none with the error said where the history cannot be read.
std::optional<std::vector<DriveSummary>> MatchingDrives(
    HistoryStore& store, const HistoryOptions& options);

// The one drive a command is about, or none with the error said.
std::optional<DriveSummary> ChooseDrive(HistoryStore& store,
                                        const HistoryOptions& options);

// None with the error said; `drives` judged at once share the budget.
std::optional<JudgedDrive> Judge(HistoryStore& store, const DriveSummary& drive,
                                 double minEffect, std::size_t drives);

#endif  // DRIVES_CLI_HISTORY_ACCESS_H_
