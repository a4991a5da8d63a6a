#include "history/history_store.h"

#include <cstdlib>

#include "history/server_location.h"
#include "history/server_store.h"
#include "history/sqlite_store.h"

std::unique_ptr<HistoryStore> HistoryStore::Open(const std::string& location,
                                                 Mode mode,
                                                 std::string& error) {
  if (IsServerLocation(location)) return OpenServer(location, mode, error);
  return OpenSqliteHistory(location, mode, error);
}

std::string HistoryPath(const std::string& asked) {
  if (!asked.empty()) return asked;
  const char* fromEnvironment = std::getenv("DRIVES_HISTORY");
  if (fromEnvironment && *fromEnvironment) return fromEnvironment;
  return DefaultHistoryPath().value_or("");
}
