#include "history/schema.h"

#include <sqlite3.h>

#include "history/history_store.h"

namespace {

// Each step brings version i to i + 1.
constexpr const char* kSteps[] = {
    // 1: drives, their sessions, the runs of a session, a run's figures.
    R"sql(
CREATE TABLE drives (
  drive_id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE,
  created TEXT NOT NULL);
CREATE TABLE sessions (
  session_id INTEGER PRIMARY KEY,
  drive_id INTEGER NOT NULL REFERENCES drives (drive_id),
  started TEXT NOT NULL,
  added TEXT NOT NULL,
  machine TEXT,
  file_system_id TEXT,
  file_system TEXT,
  device TEXT,
  directory TEXT,
  program TEXT,
  word_size INTEGER,
  thread_counts TEXT NOT NULL,
  source TEXT NOT NULL,
  content_hash TEXT NOT NULL UNIQUE,
  manifest TEXT);
CREATE INDEX sessions_by_drive ON sessions (drive_id, started);
CREATE INDEX sessions_by_file_system ON sessions (machine, file_system_id);
CREATE TABLE runs (
  run_id INTEGER PRIMARY KEY,
  session_id INTEGER NOT NULL REFERENCES sessions (session_id),
  number INTEGER NOT NULL,
  threads INTEGER,
  disturbed INTEGER NOT NULL DEFAULT 0);
CREATE INDEX runs_by_session ON runs (session_id);
CREATE TABLE figures (
  run_id INTEGER NOT NULL REFERENCES runs (run_id),
  figure TEXT NOT NULL,
  value REAL NOT NULL,
  unit TEXT NOT NULL,
  PRIMARY KEY (run_id, figure)) WITHOUT ROWID;
)sql",
    // 2: the device's model, and one tidy view of everything.
    R"sql(
ALTER TABLE sessions ADD COLUMN device_model TEXT;
CREATE VIEW history AS
  SELECT d.name AS drive, s.session_id, s.started, s.machine, s.program,
         r.number AS run, r.threads, r.disturbed, f.figure, f.value, f.unit
  FROM figures f
  JOIN runs r ON r.run_id = f.run_id
  JOIN sessions s ON s.session_id = r.session_id
  JOIN drives d ON d.drive_id = s.drive_id;
)sql",
};
static_assert(sizeof kSteps / sizeof kSteps[0] == kHistorySchemaVersion,
              "a step for every version");

}  // namespace

bool ExecSql(sqlite3* db, const char* sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK) {
    return true;
  }
  error = message ? message : sqlite3_errmsg(db);
  sqlite3_free(message);
  return false;
}

bool MigrateSchema(sqlite3* db, int version, std::string& error) {
  if (!ExecSql(db, "BEGIN IMMEDIATE", error)) return false;
  // Another process may have migrated it while this one waited.
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr) ==
          SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    version = sqlite3_column_int(statement, 0);
  }
  sqlite3_finalize(statement);
  for (int step = version; step < kHistorySchemaVersion; ++step) {
    if (!ExecSql(db, kSteps[step], error)) {
      std::string ignored;
      ExecSql(db, "ROLLBACK", ignored);
      return false;
    }
  }
  const std::string set =
      "PRAGMA user_version = " + std::to_string(kHistorySchemaVersion);
  if (!ExecSql(db, set.c_str(), error) || !ExecSql(db, "COMMIT", error)) {
    std::string ignored;
    ExecSql(db, "ROLLBACK", ignored);
    return false;
  }
  return true;
}
