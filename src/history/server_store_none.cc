// A build without PostgreSQL (the 32-bit and Windows programs): a server's
// connection string is refused, and a Linux machine pushes for them.
#include "history/server_location.h"
#include "history/server_store.h"

namespace {

constexpr char kNoServer[] =
    "a history on a PostgreSQL server needs a drives-report built with "
    "PostgreSQL (libpq, on 64-bit Linux); keep the history in a file here "
    "and copy it over with history push from such a machine";

}  // namespace

std::unique_ptr<HistoryStore> OpenServer(const std::string& location,
                                         HistoryStore::Mode mode,
                                         std::string& error) {
  (void)location;
  (void)mode;
  error = kNoServer;
  return nullptr;
}

bool InitServer(const std::string& location, std::string& said,
                std::string& error) {
  (void)location;
  (void)said;
  error = kNoServer;
  return false;
}

ConnectionParse ParseConnection(const std::string& location,
                                std::string& password) {
  (void)location;
  password.clear();
  return ConnectionParse::kUnknown;
}
