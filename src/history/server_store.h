// The history on a PostgreSQL server (history_store.h): built where libpq
// is found; elsewhere a server's connection string is refused in one line.
#ifndef DRIVES_HISTORY_SERVER_STORE_H_
#define DRIVES_HISTORY_SERVER_STORE_H_

#include <memory>
#include <string>

#include "history/history_store.h"

std::unique_ptr<HistoryStore> OpenServer(const std::string& location,
                                         HistoryStore::Mode mode,
                                         std::string& error);

// Creates the history's tables on the server at `location` (or brings an
// older schema up to date), in one transaction; `said` tells what was done
// and the grants a writer and a reader need. False with `error` set where
// it could not.
bool InitServer(const std::string& location, std::string& said,
                std::string& error);

#endif  // DRIVES_HISTORY_SERVER_STORE_H_
