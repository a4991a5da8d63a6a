#include "history/schema.h"

#include <iterator>
#include <map>

#include "history/run_rows.h"
#include "history/session.h"
#include "history/views.h"

namespace {

// Each step brings version i to i + 1, in the words of database.h where
// the two databases write a thing apart.
constexpr const char* kSteps[] = {
    // 1: drives, their sessions, the runs of a session, a run's figures.
    R"sql(
CREATE TABLE drives (
  drive_id {key},
  name TEXT NOT NULL UNIQUE,
  created TEXT NOT NULL);
CREATE TABLE sessions (
  session_id {key},
  drive_id {ref} NOT NULL REFERENCES drives (drive_id),
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
  run_id {key},
  session_id {ref} NOT NULL REFERENCES sessions (session_id),
  number INTEGER NOT NULL,
  threads INTEGER,
  disturbed {flag});
CREATE INDEX runs_by_session ON runs (session_id);
CREATE TABLE figures (
  run_id {ref} NOT NULL REFERENCES runs (run_id),
  figure TEXT NOT NULL,
  value {real} NOT NULL,
  unit TEXT NOT NULL,
  PRIMARY KEY (run_id, figure)){without_rowid};
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
  machine_id {key},
  machine_key TEXT NOT NULL UNIQUE,
  host TEXT,
  created TEXT NOT NULL);
INSERT INTO machines (machine_key, host, created)
  SELECT DISTINCT 'host:' || coalesce(machine, ''), machine,
         {now}
  FROM sessions;
CREATE TABLE drives_3 (
  drive_id {key},
  machine_id {ref} REFERENCES machines (machine_id),
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
DROP TABLE drives{cascade};
ALTER TABLE drives_3 RENAME TO drives;{relink_sessions}
ALTER TABLE sessions ADD COLUMN machine_id {ref} REFERENCES machines (machine_id);
UPDATE sessions SET machine_id = (SELECT machine_id FROM machines
  WHERE machine_key = 'host:' || coalesce(sessions.machine, ''));
ALTER TABLE sessions ADD COLUMN settle {flag};
ALTER TABLE sessions ADD COLUMN direct_write_mb_s {real};
ALTER TABLE sessions ADD COLUMN direct_read_mb_s {real};
ALTER TABLE sessions ADD COLUMN fsync_write_mb_s {real};
ALTER TABLE sessions ADD COLUMN sync_files_per_s {real};
ALTER TABLE sessions ADD COLUMN direct_io_refused TEXT;
ALTER TABLE sessions ADD COLUMN team_streams INTEGER;
ALTER TABLE sessions ADD COLUMN team_direct_write_mb_s {real};
ALTER TABLE sessions ADD COLUMN team_direct_read_mb_s {real};
ALTER TABLE runs ADD COLUMN clients INTEGER;
ALTER TABLE runs ADD COLUMN role TEXT NOT NULL DEFAULT 'drive';
ALTER TABLE runs ADD COLUMN round INTEGER NOT NULL DEFAULT 0;
CREATE TABLE session_summaries (
  session_id {ref} NOT NULL REFERENCES sessions (session_id),
  role TEXT NOT NULL,
  clients INTEGER,
  threads INTEGER,
  figure TEXT NOT NULL,
  unit TEXT NOT NULL,
  runs INTEGER NOT NULL,
  median {real} NOT NULL,
  ci_low {real},
  ci_high {real});
CREATE INDEX session_summaries_by_session ON session_summaries (session_id);
CREATE TABLE accepted (
  accepted_id {key},
  drive_id {ref} NOT NULL REFERENCES drives (drive_id),
  since_session {ref} NOT NULL,
  accepted TEXT NOT NULL);
CREATE TABLE checks (
  check_id {key},
  checked TEXT NOT NULL,
  drive_id {ref} NOT NULL REFERENCES drives (drive_id),
  figure TEXT NOT NULL,
  role TEXT NOT NULL,
  clients INTEGER,
  threads INTEGER,
  finding TEXT NOT NULL,
  ratio {real},
  ratio_low {real},
  ratio_high {real},
  since_session {ref},
  since_started TEXT,
  message TEXT NOT NULL);
)sql",
};

// `step` in the words of `db`.
std::string InWords(const std::string& step, const SqlWords& w) {
  const std::pair<const char*, const char*> words[] = {
      {"{key}", w.key},
      {"{ref}", w.ref},
      {"{real}", w.real},
      {"{flag}", w.flag},
      {"{without_rowid}", w.withoutRowid},
      {"{now}", w.now},
      {"{cascade}", w.cascade},
      {"{relink_sessions}", w.relinkSessions},
  };
  std::string sql = step;
  for (const auto& [name, word] : words) {
    const std::string from = name;
    for (std::size_t at = sql.find(from); at != std::string::npos;
         at = sql.find(from, at)) {
      sql.replace(at, from.size(), word);
      at += std::string(word).size();
    }
  }
  return sql;
}

// Every session's figures summarised: the table version 3 adds, filled
// from the runs the history holds.
bool FillSummaries(Database& db, std::string& error) {
  std::map<long long, std::vector<SessionRun>> sessions;
  {
    const std::unique_ptr<SqlRows> rows = db.Query(
        std::string("SELECT r.session_id, ") + kRunColumns +
            " FROM runs r JOIN figures f ON f.run_id = r.run_id ORDER BY "
            "r.session_id, r.run_id",
        {}, error);
    if (!rows) return false;
    long long lastRun = -1;
    while (rows->Next()) {
      std::vector<SessionRun>& runs = sessions[rows->Integer(0)];
      AddRunRow(*rows, 1, runs, lastRun);
    }
    if (rows->Failed()) {
      error = db.Why();
      return false;
    }
  }
  for (const auto& [id, runs] : sessions) {
    if (!InsertSummaries(db, id, runs, error)) return false;
  }
  return true;
}

}  // namespace

const int kHistorySchemaVersion = static_cast<int>(std::size(kSteps));

bool InsertSummaries(Database& db, long long session,
                     const std::vector<SessionRun>& runs, std::string& error) {
  std::vector<SqlValue> values;
  for (const SessionFigureSummary& f : Summarise(runs)) {
    values.insert(values.end(),
                  {SqlInteger(session), SqlText(f.role), SqlInteger(f.clients),
                   SqlInteger(f.threads), SqlText(f.figure), SqlText(f.unit),
                   SqlInteger(static_cast<long long>(f.runs)),
                   SqlReal(f.median), SqlReal(f.low), SqlReal(f.high)});
  }
  return db.InsertRows(
      "INSERT INTO session_summaries (session_id, role, clients, threads, "
      "figure, unit, runs, median, ci_low, ci_high)",
      10, values, error);
}

bool MigrateSchema(Database& db, int version, std::string& error) {
  if (!db.Begin(error)) return false;
  const auto fail = [&] {
    db.Rollback();
    return false;
  };
  // Another process may have migrated it while this one waited.
  const std::optional<int> now = db.Version(error);
  if (!now) return fail();
  version = *now;
  if (version < 0 || version > kHistorySchemaVersion) {
    error = "schema version " + std::to_string(version) + " is not known";
    return fail();
  }
  if (version == kHistorySchemaVersion) {
    db.Rollback();
    return true;
  }
  for (int step = version; step < kHistorySchemaVersion; ++step) {
    if (!db.Script(InWords(kSteps[step], db.Words()), error)) return fail();
    if (step + 1 == 3 && !FillSummaries(db, error)) return fail();
  }
  // The views hold nothing: made anew from their one definition by every
  // migration, whichever steps changed the tables under them.
  if (!db.Script("DROP VIEW IF EXISTS history", error) ||
      !db.Script("DROP VIEW IF EXISTS session_figures", error) ||
      !db.Script(kHistoryViews, error) ||
      !db.SetVersion(kHistorySchemaVersion, error) || !db.Commit(error)) {
    return fail();
  }
  return true;
}
