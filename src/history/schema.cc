#include "history/schema.h"

#include <sqlite3.h>

#include "history/history_store.h"
#include "history/views.h"

namespace {

// Each step brings version i to i + 1. (A new file takes every step.)
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
    // 3: machines, and drives told apart by their machine; the conditions
    // of a run that make a series (client count, memory control) and of a
    // session (--settle); the drive's ceiling; each session's figures
    // summarised once; changes a user accepted; checks recorded.
    R"sql(
DROP VIEW history;
CREATE TABLE machines (
  machine_id INTEGER PRIMARY KEY,
  machine_key TEXT NOT NULL UNIQUE,
  host TEXT,
  created TEXT NOT NULL);
INSERT INTO machines (machine_key, host, created)
  SELECT DISTINCT 'host:' || coalesce(machine, ''), machine,
         strftime('%Y-%m-%dT%H:%M:%SZ', 'now')
  FROM sessions;
CREATE TABLE drives_3 (
  drive_id INTEGER PRIMARY KEY,
  machine_id INTEGER REFERENCES machines (machine_id),
  name TEXT NOT NULL,
  created TEXT NOT NULL,
  UNIQUE (machine_id, name));
INSERT INTO drives_3 (drive_id, machine_id, name, created)
  SELECT d.drive_id,
         (SELECT m.machine_id FROM sessions s JOIN machines m
            ON m.machine_key = 'host:' || coalesce(s.machine, '')
          WHERE s.drive_id = d.drive_id ORDER BY s.session_id DESC LIMIT 1),
         d.name, d.created
  FROM drives d;
DROP TABLE drives;
ALTER TABLE drives_3 RENAME TO drives;
ALTER TABLE sessions ADD COLUMN machine_id INTEGER REFERENCES machines (machine_id);
UPDATE sessions SET machine_id = (SELECT machine_id FROM machines
  WHERE machine_key = 'host:' || coalesce(sessions.machine, ''));
ALTER TABLE sessions ADD COLUMN settle INTEGER NOT NULL DEFAULT 0;
ALTER TABLE sessions ADD COLUMN direct_write_mb_s REAL;
ALTER TABLE sessions ADD COLUMN direct_read_mb_s REAL;
ALTER TABLE sessions ADD COLUMN fsync_write_mb_s REAL;
ALTER TABLE sessions ADD COLUMN sync_files_per_s REAL;
ALTER TABLE sessions ADD COLUMN direct_io_refused TEXT;
ALTER TABLE sessions ADD COLUMN team_streams INTEGER;
ALTER TABLE sessions ADD COLUMN team_direct_write_mb_s REAL;
ALTER TABLE sessions ADD COLUMN team_direct_read_mb_s REAL;
ALTER TABLE runs ADD COLUMN clients INTEGER;
ALTER TABLE runs ADD COLUMN role TEXT NOT NULL DEFAULT 'drive';
ALTER TABLE runs ADD COLUMN round INTEGER NOT NULL DEFAULT 0;
CREATE TABLE session_summaries (
  session_id INTEGER NOT NULL REFERENCES sessions (session_id),
  role TEXT NOT NULL,
  clients INTEGER,
  threads INTEGER,
  figure TEXT NOT NULL,
  unit TEXT NOT NULL,
  runs INTEGER NOT NULL,
  median REAL NOT NULL,
  ci_low REAL,
  ci_high REAL);
CREATE INDEX session_summaries_by_session ON session_summaries (session_id);
CREATE TABLE accepted (
  accepted_id INTEGER PRIMARY KEY,
  drive_id INTEGER NOT NULL REFERENCES drives (drive_id),
  since_session INTEGER NOT NULL,
  accepted TEXT NOT NULL);
CREATE TABLE checks (
  check_id INTEGER PRIMARY KEY,
  checked TEXT NOT NULL,
  drive_id INTEGER NOT NULL REFERENCES drives (drive_id),
  figure TEXT NOT NULL,
  role TEXT NOT NULL,
  clients INTEGER,
  threads INTEGER,
  finding TEXT NOT NULL,
  ratio REAL,
  ratio_low REAL,
  ratio_high REAL,
  since_session INTEGER,
  since_started TEXT,
  message TEXT NOT NULL);
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

bool MigrateSchema(sqlite3* db, int version, const AfterStep& after,
                   std::string& error) {
  if (!ExecSql(db, "BEGIN IMMEDIATE", error)) return false;
  // Another process may have migrated it while this one waited.
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr) ==
          SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    version = sqlite3_column_int(statement, 0);
  }
  sqlite3_finalize(statement);
  if (version < 0 || version > kHistorySchemaVersion) {
    error = "schema version " + std::to_string(version) + " is not known";
    std::string ignored;
    ExecSql(db, "ROLLBACK", ignored);
    return false;
  }
  for (int step = version; step < kHistorySchemaVersion; ++step) {
    if (!ExecSql(db, kSteps[step], error) || !after(db, step + 1, error)) {
      std::string ignored;
      ExecSql(db, "ROLLBACK", ignored);
      return false;
    }
  }
  // The views hold nothing: made anew from their one definition by every
  // migration, whichever steps changed the tables under them.
  if (version < kHistorySchemaVersion &&
      (!ExecSql(db, "DROP VIEW IF EXISTS history", error) ||
       !ExecSql(db, "DROP VIEW IF EXISTS session_figures", error) ||
       !ExecSql(db, kHistoryViews, error))) {
    std::string ignored;
    ExecSql(db, "ROLLBACK", ignored);
    return false;
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
