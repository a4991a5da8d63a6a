// The history in one SQLite file (history_store.h): the file's checks
// before anything is read or written, over the one history (sql_history.h).
#ifndef DRIVES_HISTORY_SQLITE_STORE_H_
#define DRIVES_HISTORY_SQLITE_STORE_H_

#include <memory>
#include <string>

#include "history/history_store.h"

std::unique_ptr<HistoryStore> OpenSqliteHistory(const std::string& path,
                                                HistoryStore::Mode mode,
                                                std::string& error);

#endif  // DRIVES_HISTORY_SQLITE_STORE_H_
