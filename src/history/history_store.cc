#include "history/history_store.h"

#include <cstdlib>

#include "history/server_store.h"
#include "history/sqlite_store.h"

bool IsServerLocation(const std::string& location) {
  return location.rfind("postgresql://", 0) == 0 ||
         location.rfind("postgres://", 0) == 0 ||
         // libpq's key=value words: a file's name holds no "dbname=".
         location.find("dbname=") != std::string::npos ||
         location.rfind("host=", 0) == 0 || location.rfind("service=", 0) == 0;
}

std::unique_ptr<HistoryStore> HistoryStore::Open(const std::string& location,
                                                 Mode mode,
                                                 std::string& error) {
  if (IsServerLocation(location)) return OpenServer(location, mode, error);
  return SqliteStore::Open(location, mode, error);
}

std::string HistoryPath(const std::string& asked) {
  if (!asked.empty()) return asked;
  const char* fromEnvironment = std::getenv("DRIVES_HISTORY");
  if (fromEnvironment && *fromEnvironment) return fromEnvironment;
  return DefaultHistoryPath().value_or("");
}
