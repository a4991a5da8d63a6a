// The history's tables, and the steps that bring a file of any earlier
// version up to this one. A user can query them with the sqlite3 shell or
// pandas: `history` is a view with one tidy row per run, thread count and
// figure.
#ifndef DRIVES_HISTORY_SCHEMA_H_
#define DRIVES_HISTORY_SCHEMA_H_

#include <functional>
#include <string>

struct sqlite3;

// Runs `sql`; false with `error` set to SQLite's reason when it fails.
bool ExecSql(sqlite3* db, const char* sql, std::string& error);

// What a step needs done beside its SQL, after it: filling a new table from
// the old ones (the session summaries of version 3).
using AfterStep =
    std::function<bool(sqlite3* db, int version, std::string& error)>;

// Brings the file from `version` (0: new) to kHistorySchemaVersion in one
// transaction; false with `error` set when a step fails (nothing changed).
bool MigrateSchema(sqlite3* db, int version, const AfterStep& after,
                   std::string& error);

#endif  // DRIVES_HISTORY_SCHEMA_H_
