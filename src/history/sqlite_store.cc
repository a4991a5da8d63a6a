// The history in one SQLite file: write-ahead logging and a busy timeout
// let several writers record at once; readers open the file read-only, so
// that a history in a read-only place, or another user's, can be read.
#include "history/sqlite_store.h"

#include <sqlite3.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

#include "history/schema.h"
#include "history/store_text.h"
#include "runs/manifest.h"

namespace fs = std::filesystem;

namespace {

// How long a writer waits for another to finish before it gives up.
constexpr int kBusyMilliseconds = 15000;
constexpr char kSqliteHeader[] = "SQLite format 3";  // and a NUL

// One prepared statement, finalised when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) {
      statement_ = nullptr;
    }
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Ok() const { return statement_ != nullptr; }
  Statement& Bind(int i, const std::string& text) {
    sqlite3_bind_text(statement_, i, text.c_str(),
                      static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(int i, const std::optional<std::string>& text) {
    if (text) return Bind(i, *text);
    sqlite3_bind_null(statement_, i);
    return *this;
  }
  Statement& Bind(int i, const std::optional<int>& value) {
    if (value) {
      sqlite3_bind_int(statement_, i, *value);
    } else {
      sqlite3_bind_null(statement_, i);
    }
    return *this;
  }
  Statement& Bind(int i, const std::optional<double>& value) {
    if (value) {
      sqlite3_bind_double(statement_, i, *value);
    } else {
      sqlite3_bind_null(statement_, i);
    }
    return *this;
  }
  Statement& Bind(int i, long long value) {
    sqlite3_bind_int64(statement_, i, value);
    return *this;
  }
  Statement& Bind(int i, double value) {
    sqlite3_bind_double(statement_, i, value);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error.
  int Step() { return statement_ ? sqlite3_step(statement_) : SQLITE_ERROR; }
  void Reset() { sqlite3_reset(statement_); }
  bool Run() {
    const int status = Step();
    sqlite3_reset(statement_);
    return status == SQLITE_DONE;
  }
  bool Null(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
  }
  long long Int(int column) const {
    return sqlite3_column_int64(statement_, column);
  }
  std::optional<int> OptionalInt(int column) const {
    if (Null(column)) return std::nullopt;
    return sqlite3_column_int(statement_, column);
  }
  double Real(int column) const {
    return sqlite3_column_double(statement_, column);
  }
  std::optional<double> OptionalReal(int column) const {
    if (Null(column)) return std::nullopt;
    return Real(column);
  }
  std::string Text(int column) const {
    const unsigned char* text = sqlite3_column_text(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(size))
                : "";
  }
  std::optional<std::string> OptionalText(int column) const {
    if (Null(column)) return std::nullopt;
    return Text(column);
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

// Why the last call failed, for people.
// Whether the last failure was a full disk, whatever SQLite made of it (a
// write-ahead log's shared memory that cannot grow is an I/O error to it).
bool DiskFull(sqlite3* db) {
  if (sqlite3_errcode(db) == SQLITE_FULL) return true;
  const int system = sqlite3_system_errno(db);
#ifdef _WIN32
  return system == 112 || system == 39;  // ERROR_DISK_FULL, _HANDLE_DISK_FULL
#else
  return system == ENOSPC;
#endif
}

std::string Why(sqlite3* db) {
  const int code = sqlite3_errcode(db);
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
    return "locked by another process for over " +
           std::to_string(kBusyMilliseconds / 1000) + " s";
  }
  if (DiskFull(db)) return "the disk is full";
  if (code == SQLITE_NOTADB) return "not a SQLite database";
  if (code == SQLITE_CORRUPT) {
    return "damaged (" + std::string(sqlite3_errmsg(db)) + ")";
  }
  return sqlite3_errmsg(db);
}

// Whether the file's first bytes are SQLite's; an empty file is a new
// database.
bool LooksLikeSqlite(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char header[sizeof kSqliteHeader] = {};
  in.read(header, sizeof header);
  if (in.gcount() == 0) return true;
  return in.gcount() == sizeof header &&
         std::string(header, sizeof header) ==
             std::string(kSqliteHeader, sizeof kSqliteHeader);
}

// The ceiling's columns from `first` on: direct write and read, fsync
// write, synchronous files, the refusal, the team's streams and rates.
DriveCeiling CeilingAt(const Statement& query, int first) {
  DriveCeiling c;
  c.directWriteMbS = query.OptionalReal(first);
  c.directReadMbS = query.OptionalReal(first + 1);
  c.fsyncWriteMbS = query.OptionalReal(first + 2);
  c.syncFilesPerS = query.OptionalReal(first + 3);
  c.directIoRefused = query.Text(first + 4);
  c.teamStreams = query.OptionalInt(first + 5);
  c.teamDirectWriteMbS = query.OptionalReal(first + 6);
  c.teamDirectReadMbS = query.OptionalReal(first + 7);
  return c;
}

// Every session's figures summarised: the table version 3 adds, filled
// from the runs the file holds.
bool FillSummaries(sqlite3* db, std::string& error) {
  std::map<long long, std::vector<SessionRun>> sessions;
  {
    Statement query(db,
                    "SELECT r.session_id, r.run_id, r.number, r.threads, "
                    "r.clients, r.role, f.figure, f.value, f.unit, r.round "
                    "FROM runs r JOIN figures f ON f.run_id = r.run_id "
                    "ORDER BY r.session_id, r.run_id");
    long long lastRun = -1;
    int status = SQLITE_ERROR;
    while ((status = query.Step()) == SQLITE_ROW) {
      std::vector<SessionRun>& runs = sessions[query.Int(0)];
      if (query.Int(1) != lastRun) {
        lastRun = query.Int(1);
        SessionRun run;
        run.number = static_cast<int>(query.Int(2));
        run.threads = query.OptionalInt(3);
        run.clients = query.OptionalInt(4);
        run.role = query.Text(5);
        run.round = static_cast<int>(query.Int(9));
        runs.push_back(run);
      }
      runs.back().figures.push_back(
          {query.Text(6), query.Real(7), query.Text(8)});
    }
    if (status != SQLITE_DONE) {
      error = Why(db);
      return false;
    }
  }
  Statement insert(db,
                   "INSERT INTO session_summaries (session_id, role, clients, "
                   "threads, figure, unit, runs, median, ci_low, ci_high) "
                   "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  for (const auto& [id, runs] : sessions) {
    for (const SessionFigureSummary& f : Summarise(runs)) {
      insert.Bind(1, id)
          .Bind(2, f.role)
          .Bind(3, f.clients)
          .Bind(4, f.threads)
          .Bind(5, f.figure)
          .Bind(6, f.unit)
          .Bind(7, static_cast<long long>(f.runs))
          .Bind(8, f.median)
          .Bind(9, f.low)
          .Bind(10, f.high);
      if (!insert.Run()) {
        error = Why(db);
        return false;
      }
    }
  }
  return true;
}

}  // namespace

SqliteStore::SqliteStore(sqlite3* db, std::string path)
    : db_(db), path_(std::move(path)) {}

SqliteStore::~SqliteStore() { sqlite3_close(db_); }

std::unique_ptr<HistoryStore> SqliteStore::Open(const std::string& path,
                                                Mode mode, std::string& error) {
  error.clear();
  std::error_code code;
  const bool exists = fs::exists(path, code);
  if (!exists && mode == Mode::kRead) return nullptr;
  if (exists && fs::is_directory(path, code)) {
    error = path + ": is a directory, not a history";
    return nullptr;
  }
  if (exists && !LooksLikeSqlite(path)) {
    error = path + ": not a SQLite database; left as it is";
    return nullptr;
  }
  if (!exists) {
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent, code);
  }
  // Readers open the file read-only; where even that cannot read it (a
  // history left in write-ahead logging whose shared memory file this user
  // cannot make), as a file that nobody writes while it is read.
  const std::vector<std::string> names =
      mode == Mode::kWrite
          ? std::vector<std::string>{path}
          : std::vector<std::string>{path, "file:" + path + "?immutable=1"};
  for (std::size_t attempt = 0; attempt < names.size(); ++attempt) {
    const int flags = mode == Mode::kWrite
                          ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                          : SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(names[attempt].c_str(), &db, flags, nullptr) !=
        SQLITE_OK) {
      error = path + ": cannot open: " +
              (db ? std::string(sqlite3_errmsg(db)) : "no memory");
      sqlite3_close(db);
      continue;
    }
    std::unique_ptr<SqliteStore> store(new SqliteStore(db, path));
    error.clear();
    if (store->Prepare(mode, error)) return store;
    if (store->older_) {
      // An older history is brought up to date once, by a writer, where
      // this user may write it; then read as any other.
      store.reset();
      std::string why;
      if (!Open(path, Mode::kWrite, why)) {
        error = why;
        return nullptr;
      }
      return Open(path, mode, error);
    }
    const int primary = sqlite3_extended_errcode(db) & 0xff;
    error.insert(0, path + ": ");
    if (primary != SQLITE_READONLY && primary != SQLITE_CANTOPEN) break;
  }
  return nullptr;
}

bool SqliteStore::Prepare(Mode mode, std::string& error) {
  sqlite3_busy_timeout(db_, kBusyMilliseconds);
  // The file may come from elsewhere: its schema runs no functions or
  // triggers of its own, nothing writes around SQLite's own checks, and a
  // reader's connection cannot write at all.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  std::string ignored;
  if (mode == Mode::kRead) ExecSql(db_, "PRAGMA query_only = 1", ignored);
  {
    Statement check(db_, "PRAGMA quick_check");
    if (!check.Ok() || check.Step() != SQLITE_ROW) {
      error = Why(db_) + "; left as it is";
      return false;
    }
    if (check.Text(0) != "ok") {
      // Its first finding, on one line.
      std::string finding = check.Text(0);
      for (char& c : finding) {
        if (c == '\n') c = ' ';
      }
      error = "damaged (" + finding + "); left as it is";
      return false;
    }
  }
  int version = 0;
  {
    Statement user(db_, "PRAGMA user_version");
    if (!user.Ok() || user.Step() != SQLITE_ROW) {
      error = Why(db_);
      return false;
    }
    version = static_cast<int>(user.Int(0));
  }
  if (version < 0) {
    error = "schema version " + std::to_string(version) +
            " is not one drives-report makes; left as it is";
    return false;
  }
  if (version > kHistorySchemaVersion) {
    error = "made by a newer drives-report (schema version " +
            std::to_string(version) + "; this one knows up to " +
            std::to_string(kHistorySchemaVersion) + "); left as it is";
    return false;
  }
  int tables = 0;
  {
    Statement count(db_,
                    "SELECT count(*) FROM sqlite_master WHERE type = 'table'");
    if (!count.Ok() || count.Step() != SQLITE_ROW) {
      error = Why(db_);
      return false;
    }
    tables = static_cast<int>(count.Int(0));
  }
  if (version == 0 && tables > 0) {
    // Another program's database: never taken over.
    error =
        "not a drives history (it holds another program's tables); "
        "left as it is";
    return false;
  }
  if (version == 0 && mode == Mode::kRead) {
    // A file just made, or being made: an empty history.
    empty_ = true;
    return true;
  }
  if (version < kHistorySchemaVersion) {
    if (mode == Mode::kRead) {
      older_ = true;
      return false;
    }
    // Everything is checked, and the file changes only in the migration's
    // transaction; write-ahead logging follows it.
    if (!MigrateSchema(
            db_, version,
            [](sqlite3* db, int reached, std::string& why) {
              return reached != 3 || FillSummaries(db, why);
            },
            error)) {
      if (DiskFull(db_)) error = "the disk is full";
      error =
          (version == 0 ? "cannot make the history: "
                        : "cannot bring it up to schema version " +
                              std::to_string(kHistorySchemaVersion) + ": ") +
          error;
      return false;
    }
  }
  if (mode == Mode::kWrite) {
    // Write-ahead logging lets readers and one writer at a time work at
    // once; it stays set in the file.
    ExecSql(db_, "PRAGMA journal_mode = WAL", ignored);
  }
  ExecSql(db_, "PRAGMA foreign_keys = ON", ignored);
  return true;
}

long long SqliteStore::MachineFor(const MachineDescription& machine,
                                  std::string& error) {
  const std::string key = MachineKey(machine);
  Statement find(db_, "SELECT machine_id FROM machines WHERE machine_key = ?1");
  find.Bind(1, key);
  if (find.Step() == SQLITE_ROW) return find.Int(0);
  Statement insert(db_,
                   "INSERT INTO machines (machine_key, host, created) VALUES "
                   "(?1, ?2, ?3)");
  insert.Bind(1, key).Bind(2, machine.host).Bind(3, UtcNow());
  if (!insert.Run()) {
    error = Why(db_);
    return 0;
  }
  return sqlite3_last_insert_rowid(db_);
}

long long SqliteStore::DriveFor(const Session& session, long long machine,
                                const std::optional<std::string>& drive,
                                std::string& name, std::string& error) {
  if (!drive && session.machine.fileSystemId) {
    // The drive this file system was recorded under before.
    Statement seen(db_,
                   "SELECT s.drive_id, d.name FROM sessions s JOIN drives d "
                   "ON d.drive_id = s.drive_id WHERE d.machine_id = ?1 AND "
                   "s.file_system_id = ?2 ORDER BY s.session_id DESC LIMIT 1");
    seen.Bind(1, machine).Bind(2, session.machine.fileSystemId);
    if (seen.Step() == SQLITE_ROW) {
      name = seen.Text(1);
      return seen.Int(0);
    }
  }
  name = drive ? *drive : DefaultDriveName(session);
  Statement find(db_,
                 "SELECT drive_id FROM drives WHERE machine_id = ?1 AND "
                 "name = ?2");
  find.Bind(1, machine).Bind(2, name);
  if (find.Step() == SQLITE_ROW) {
    if (drive) return find.Int(0);
    // A default name already taken by another file system.
    const std::string base = name;
    for (int n = 2;; ++n) {
      name = base + " (" + std::to_string(n) + ")";
      Statement again(db_,
                      "SELECT 1 FROM drives WHERE machine_id = ?1 AND "
                      "name = ?2");
      again.Bind(1, machine).Bind(2, name);
      if (again.Step() != SQLITE_ROW) break;
    }
  }
  Statement insert(db_,
                   "INSERT INTO drives (machine_id, name, created) VALUES "
                   "(?1, ?2, ?3)");
  insert.Bind(1, machine).Bind(2, name).Bind(3, UtcNow());
  if (!insert.Run()) {
    error = Why(db_);
    return 0;
  }
  return sqlite3_last_insert_rowid(db_);
}

HistoryStore::Added SqliteStore::Add(const Session& session,
                                     const std::optional<std::string>& drive,
                                     long long& id, std::string& driveName,
                                     std::string& error) {
  if (!ExecSql(db_, "BEGIN IMMEDIATE", error)) {
    error = Why(db_);
    return Added::kFailed;
  }
  const auto fail = [&] {
    if (error.empty()) error = Why(db_);
    std::string ignored;
    ExecSql(db_, "ROLLBACK", ignored);
    return Added::kFailed;
  };
  {
    Statement known(db_,
                    "SELECT s.session_id, d.name FROM sessions s JOIN drives "
                    "d ON d.drive_id = s.drive_id WHERE s.content_hash = ?1");
    known.Bind(1, session.contentHash);
    if (known.Step() == SQLITE_ROW) {
      id = known.Int(0);
      driveName = known.Text(1);
      std::string ignored;
      ExecSql(db_, "ROLLBACK", ignored);
      return Added::kAlreadyThere;
    }
  }
  const long long machine = MachineFor(session.machine, error);
  if (machine == 0) return fail();
  const long long driveId = DriveFor(session, machine, drive, driveName, error);
  if (driveId == 0) return fail();
  std::string counts;
  for (const int count : session.threadCounts) {
    counts += (counts.empty() ? "" : ",") + std::to_string(count);
  }
  Statement insert(
      db_,
      "INSERT INTO sessions (drive_id, started, added, machine, "
      "file_system_id, file_system, device, device_model, directory, "
      "program, word_size, thread_counts, source, content_hash, manifest, "
      "machine_id, settle, direct_write_mb_s, direct_read_mb_s, "
      "fsync_write_mb_s, sync_files_per_s, direct_io_refused, team_streams, "
      "team_direct_write_mb_s, team_direct_read_mb_s) VALUES (?1, ?2, ?3, "
      "?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, "
      "?19, ?20, ?21, ?22, ?23, ?24, ?25)");
  const DriveCeiling& c = session.ceiling;
  insert.Bind(1, driveId)
      .Bind(2, session.started)
      .Bind(3, UtcNow())
      .Bind(4, session.machine.host)
      .Bind(5, session.machine.fileSystemId)
      .Bind(6, session.machine.fileSystem)
      .Bind(7, session.machine.device)
      .Bind(8, session.machine.deviceModel)
      .Bind(9, session.directory)
      .Bind(10, session.program)
      .Bind(11, session.wordSize)
      .Bind(12, counts)
      .Bind(13, session.source)
      .Bind(14, session.contentHash)
      .Bind(15, session.manifest)
      .Bind(16, machine)
      .Bind(17, static_cast<long long>(session.settle ? 1 : 0))
      .Bind(18, c.directWriteMbS)
      .Bind(19, c.directReadMbS)
      .Bind(20, c.fsyncWriteMbS)
      .Bind(21, c.syncFilesPerS)
      .Bind(22, c.directIoRefused.empty()
                    ? std::nullopt
                    : std::optional<std::string>(c.directIoRefused))
      .Bind(23, c.teamStreams)
      .Bind(24, c.teamDirectWriteMbS)
      .Bind(25, c.teamDirectReadMbS);
  if (!insert.Run()) return fail();
  id = sqlite3_last_insert_rowid(db_);
  Statement run(db_,
                "INSERT INTO runs (session_id, number, threads, disturbed, "
                "clients, role, round) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  Statement figure(db_,
                   "INSERT INTO figures (run_id, figure, value, unit) VALUES "
                   "(?1, ?2, ?3, ?4)");
  for (const SessionRun& r : session.runs) {
    run.Bind(1, id)
        .Bind(2, static_cast<long long>(r.number))
        .Bind(3, r.threads)
        .Bind(4, static_cast<long long>(r.disturbed ? 1 : 0))
        .Bind(5, r.clients)
        .Bind(6, r.role)
        .Bind(7, static_cast<long long>(r.round));
    if (!run.Run()) return fail();
    const long long runId = sqlite3_last_insert_rowid(db_);
    for (const SessionFigure& f : r.figures) {
      figure.Bind(1, runId).Bind(2, f.figure).Bind(3, f.value).Bind(4, f.unit);
      if (!figure.Run()) return fail();
    }
  }
  Statement summary(db_,
                    "INSERT INTO session_summaries (session_id, role, clients, "
                    "threads, figure, unit, runs, median, ci_low, ci_high) "
                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  for (const SessionFigureSummary& f : Summarise(session.runs)) {
    summary.Bind(1, id)
        .Bind(2, f.role)
        .Bind(3, f.clients)
        .Bind(4, f.threads)
        .Bind(5, f.figure)
        .Bind(6, f.unit)
        .Bind(7, static_cast<long long>(f.runs))
        .Bind(8, f.median)
        .Bind(9, f.low)
        .Bind(10, f.high);
    if (!summary.Run()) return fail();
  }
  if (!ExecSql(db_, "COMMIT", error)) return fail();
  return Added::kAdded;
}

std::vector<DriveSummary> SqliteStore::Drives(std::string& error) {
  std::vector<DriveSummary> drives;
  if (empty_) return drives;
  Statement query(db_,
                  "SELECT d.drive_id, d.name, coalesce(m.host, ''), "
                  "count(s.session_id), min(s.started), max(s.started) FROM "
                  "drives d LEFT JOIN machines m ON m.machine_id = "
                  "d.machine_id LEFT JOIN sessions s ON s.drive_id = "
                  "d.drive_id GROUP BY d.drive_id ORDER BY d.name, m.host");
  int status = SQLITE_ERROR;
  while ((status = query.Step()) == SQLITE_ROW) {
    drives.push_back({query.Int(0), query.Text(1), query.Text(2),
                      static_cast<int>(query.Int(3)), query.Text(4),
                      query.Text(5)});
  }
  if (status != SQLITE_DONE) error = Why(db_);
  return drives;
}

std::vector<StoredSession> SqliteStore::Sessions(
    const std::optional<long long>& drive, const std::string& since,
    bool withFigures, std::string& error) {
  std::vector<StoredSession> sessions;
  if (empty_) return sessions;
  std::map<long long, std::size_t> byId;
  Statement query(
      db_,
      "SELECT s.session_id, s.drive_id, d.name, s.started, "
      "coalesce(s.program, ''), s.thread_counts, (SELECT count(*) FROM runs "
      "r WHERE r.session_id = s.session_id), s.source, coalesce(s.machine, "
      "''), coalesce(s.file_system, ''), coalesce(s.device, ''), "
      "coalesce(s.device_model, ''), s.settle, s.direct_write_mb_s, "
      "s.direct_read_mb_s, s.fsync_write_mb_s, s.sync_files_per_s, "
      "coalesce(s.direct_io_refused, ''), s.team_streams, "
      "s.team_direct_write_mb_s, s.team_direct_read_mb_s FROM sessions s "
      "JOIN drives d ON "
      "d.drive_id = s.drive_id WHERE (?1 IS NULL OR s.drive_id = ?1) AND "
      "s.started >= ?2 ORDER BY s.started, s.session_id");
  if (drive) {
    query.Bind(1, *drive);
  } else {
    query.Bind(1, std::optional<int>());
  }
  query.Bind(2, since);
  int status = SQLITE_ERROR;
  while ((status = query.Step()) == SQLITE_ROW) {
    StoredSession s;
    SessionSummary& m = s.summary;
    m.id = query.Int(0);
    m.driveId = query.Int(1);
    m.drive = query.Text(2);
    m.started = query.Text(3);
    m.program = query.Text(4);
    m.threadCounts = query.Text(5);
    m.runs = static_cast<int>(query.Int(6));
    m.source = query.Text(7);
    m.machine = query.Text(8);
    m.fileSystem =
        FileSystemText(query.Text(9), query.Text(10), query.Text(11));
    m.settle = query.Int(12) != 0;
    s.ceiling = CeilingAt(query, 13);
    byId[m.id] = sessions.size();
    sessions.push_back(std::move(s));
  }
  if (status != SQLITE_DONE) {
    error = Why(db_);
    return {};
  }
  if (sessions.empty() || !withFigures) return sessions;
  Statement figures(
      db_,
      "SELECT f.session_id, f.role, f.clients, f.threads, f.figure, f.unit, "
      "f.runs, f.median, f.ci_low, f.ci_high FROM session_summaries f JOIN "
      "sessions s ON s.session_id = f.session_id WHERE (?1 IS NULL OR "
      "s.drive_id = ?1) AND s.started >= ?2 ORDER BY f.session_id, f.role, "
      "f.clients, f.threads, f.figure");
  if (drive) {
    figures.Bind(1, *drive);
  } else {
    figures.Bind(1, std::optional<int>());
  }
  figures.Bind(2, since);
  while ((status = figures.Step()) == SQLITE_ROW) {
    const auto found = byId.find(figures.Int(0));
    if (found == byId.end()) continue;
    SessionFigureSummary f;
    f.role = figures.Text(1);
    f.clients = figures.OptionalInt(2);
    f.threads = figures.OptionalInt(3);
    f.figure = figures.Text(4);
    f.unit = figures.Text(5);
    f.runs = static_cast<int>(figures.Int(6));
    f.median = figures.Real(7);
    f.low = figures.OptionalReal(8);
    f.high = figures.OptionalReal(9);
    sessions[found->second].figures.push_back(std::move(f));
  }
  if (status != SQLITE_DONE) {
    error = Why(db_);
    return {};
  }
  return sessions;
}

std::optional<Session> SqliteStore::Load(long long id, std::string& error) {
  if (empty_) return std::nullopt;
  Statement query(
      db_,
      "SELECT s.started, s.machine, m.machine_key, s.file_system_id, "
      "s.file_system, s.device, s.device_model, s.directory, s.program, "
      "s.word_size, s.thread_counts, s.settle, s.source, s.content_hash, "
      "s.manifest, s.direct_write_mb_s, s.direct_read_mb_s, "
      "s.fsync_write_mb_s, s.sync_files_per_s, coalesce(s.direct_io_refused, "
      "''), s.team_streams, s.team_direct_write_mb_s, "
      "s.team_direct_read_mb_s FROM sessions s LEFT JOIN machines m ON "
      "m.machine_id = s.machine_id WHERE s.session_id = ?1");
  query.Bind(1, id);
  const int found = query.Step();
  if (found == SQLITE_DONE) return std::nullopt;
  if (found != SQLITE_ROW) {
    error = Why(db_);
    return std::nullopt;
  }
  Session session;
  session.started = query.Text(0);
  session.machine.host = query.OptionalText(1);
  const std::string key = query.Text(2);
  if (!key.empty() && key.rfind("host:", 0) != 0)
    session.machine.machineId = key;
  session.machine.fileSystemId = query.OptionalText(3);
  session.machine.fileSystem = query.OptionalText(4);
  session.machine.device = query.OptionalText(5);
  session.machine.deviceModel = query.OptionalText(6);
  session.directory = query.Text(7);
  session.program = query.Text(8);
  session.wordSize = query.OptionalInt(9);
  const std::string counts = query.Text(10);
  for (std::size_t at = 0; at < counts.size();) {
    std::size_t end = counts.find(',', at);
    if (end == std::string::npos) end = counts.size();
    session.threadCounts.push_back(std::stoi(counts.substr(at, end - at)));
    at = end + 1;
  }
  session.settle = query.Int(11) != 0;
  session.source = query.Text(12);
  session.contentHash = query.Text(13);
  session.manifest = query.OptionalText(14);
  session.ceiling = CeilingAt(query, 15);
  Statement runs(db_,
                 "SELECT r.run_id, r.number, r.threads, r.disturbed, "
                 "r.clients, r.role, f.figure, f.value, f.unit, r.round FROM "
                 "runs r LEFT JOIN figures f ON f.run_id = r.run_id WHERE "
                 "r.session_id = ?1 ORDER BY r.run_id, f.figure");
  runs.Bind(1, id);
  long long lastRun = -1;
  int status = SQLITE_ERROR;
  while ((status = runs.Step()) == SQLITE_ROW) {
    if (runs.Int(0) != lastRun) {
      lastRun = runs.Int(0);
      SessionRun run;
      run.number = static_cast<int>(runs.Int(1));
      run.threads = runs.OptionalInt(2);
      run.disturbed = runs.Int(3) != 0;
      run.clients = runs.OptionalInt(4);
      run.role = runs.Text(5);
      run.round = static_cast<int>(runs.Int(9));
      session.runs.push_back(run);
    }
    if (!runs.Null(6)) {
      session.runs.back().figures.push_back(
          {runs.Text(6), runs.Real(7), runs.Text(8)});
    }
  }
  if (status != SQLITE_DONE) {
    error = Why(db_);
    return std::nullopt;
  }
  return session;
}

std::vector<std::pair<long long, std::string>> SqliteStore::Fingerprints(
    std::string& error) {
  std::vector<std::pair<long long, std::string>> all;
  if (empty_) return all;
  Statement query(db_,
                  "SELECT session_id, content_hash FROM sessions ORDER BY "
                  "started, session_id");
  int status = SQLITE_ERROR;
  while ((status = query.Step()) == SQLITE_ROW) {
    all.emplace_back(query.Int(0), query.Text(1));
  }
  if (status != SQLITE_DONE) error = Why(db_);
  return all;
}

bool SqliteStore::Accept(long long drive, long long since, std::string& error) {
  Statement insert(db_,
                   "INSERT INTO accepted (drive_id, since_session, accepted) "
                   "VALUES (?1, ?2, ?3)");
  insert.Bind(1, drive).Bind(2, since).Bind(3, UtcNow());
  if (insert.Run()) return true;
  error = Why(db_);
  return false;
}

std::optional<long long> SqliteStore::Accepted(long long drive,
                                               std::string& error) {
  if (empty_) return std::nullopt;
  Statement query(db_,
                  "SELECT since_session FROM accepted WHERE drive_id = ?1 "
                  "ORDER BY accepted_id DESC LIMIT 1");
  query.Bind(1, drive);
  const int status = query.Step();
  if (status == SQLITE_ROW) return query.Int(0);
  if (status != SQLITE_DONE) error = Why(db_);
  return std::nullopt;
}

bool SqliteStore::Remove(const std::vector<long long>& sessions,
                         std::vector<long long>& missing, std::string& error) {
  if (!ExecSql(db_, "BEGIN IMMEDIATE", error)) {
    error = Why(db_);
    return false;
  }
  const auto fail = [&] {
    if (error.empty()) error = Why(db_);
    std::string ignored;
    ExecSql(db_, "ROLLBACK", ignored);
    return false;
  };
  Statement exists(db_, "SELECT 1 FROM sessions WHERE session_id = ?1");
  for (const long long id : sessions) {
    exists.Bind(1, id);
    if (exists.Step() != SQLITE_ROW) missing.push_back(id);
    exists.Reset();
  }
  if (!missing.empty()) return fail();
  for (const char* sql :
       {"DELETE FROM figures WHERE run_id IN (SELECT run_id FROM runs WHERE "
        "session_id = ?1)",
        "DELETE FROM runs WHERE session_id = ?1",
        "DELETE FROM session_summaries WHERE session_id = ?1",
        "DELETE FROM sessions WHERE session_id = ?1"}) {
    Statement remove(db_, sql);
    for (const long long id : sessions) {
      remove.Bind(1, id);
      if (!remove.Run()) return fail();
    }
  }
  if (!ExecSql(db_, "COMMIT", error)) return fail();
  return true;
}

bool SqliteStore::Record(const std::vector<CheckRecord>& checks,
                         std::string& error) {
  if (!ExecSql(db_, "BEGIN IMMEDIATE", error)) {
    error = Why(db_);
    return false;
  }
  Statement insert(
      db_,
      "INSERT INTO checks (checked, drive_id, figure, role, clients, "
      "threads, finding, ratio, ratio_low, ratio_high, since_session, "
      "since_started, message) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
      "?10, ?11, ?12, ?13)");
  const std::string now = UtcNow();
  for (const CheckRecord& c : checks) {
    insert.Bind(1, now)
        .Bind(2, c.driveId)
        .Bind(3, c.figure)
        .Bind(4, c.role)
        .Bind(5, c.clients)
        .Bind(6, c.threads)
        .Bind(7, c.finding)
        .Bind(8, c.ratio)
        .Bind(9, c.low)
        .Bind(10, c.high);
    if (c.sinceSession) {
      insert.Bind(11, *c.sinceSession);
    } else {
      insert.Bind(11, std::optional<int>());
    }
    insert.Bind(12, c.sinceStarted).Bind(13, c.message);
    if (!insert.Run()) {
      error = Why(db_);
      std::string ignored;
      ExecSql(db_, "ROLLBACK", ignored);
      return false;
    }
  }
  if (ExecSql(db_, "COMMIT", error)) return true;
  std::string ignored;
  ExecSql(db_, "ROLLBACK", ignored);
  return false;
}
