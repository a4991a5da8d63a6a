// The history's tables, written once for a SQLite file and a PostgreSQL
// server, as the steps that bring a history of any earlier version up to
// this one: a new history takes every step. A user can query the tables
// with the sqlite3 shell, psql or pandas: `history` is a view with one tidy
// row per run, thread count and figure.
#ifndef DRIVES_HISTORY_SCHEMA_H_
#define DRIVES_HISTORY_SCHEMA_H_

#include <string>
#include <vector>

#include "history/database.h"
#include "history/session.h"

// The schema version this program writes: the number of its steps (SQLite's
// PRAGMA user_version; a table of its own on a server).
extern const int kHistorySchemaVersion;

// Brings `db` from `version` (0: new) to kHistorySchemaVersion in one
// transaction; false with `error` set when a step fails (nothing changed).
bool MigrateSchema(Database& db, int version, std::string& error);

// Adds the summaries of `runs`' figures to the session `session`: as a
// session is added, and as version 3 fills them for the sessions it holds.
bool InsertSummaries(Database& db, long long session,
                     const std::vector<SessionRun>& runs, std::string& error);

#endif  // DRIVES_HISTORY_SCHEMA_H_
