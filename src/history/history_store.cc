#include "history/history_store.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "history/schema.h"
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
    sqlite3_bind_text(statement_, i, text.c_str(), -1, SQLITE_TRANSIENT);
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
  bool Run() {
    const int status = Step();
    sqlite3_reset(statement_);
    return status == SQLITE_DONE;
  }
  long long Int(int column) const {
    return sqlite3_column_int64(statement_, column);
  }
  std::optional<int> OptionalInt(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL) {
      return std::nullopt;
    }
    return sqlite3_column_int(statement_, column);
  }
  double Real(int column) const {
    return sqlite3_column_double(statement_, column);
  }
  std::string Text(int column) const {
    const unsigned char* text = sqlite3_column_text(statement_, column);
    return text ? reinterpret_cast<const char*>(text) : "";
  }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

// Why the last call failed, for people.
std::string Why(sqlite3* db) {
  const int code = sqlite3_errcode(db);
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
    return "locked by another process for over " +
           std::to_string(kBusyMilliseconds / 1000) + " s";
  }
  if (code == SQLITE_NOTADB) return "not a SQLite database";
  if (code == SQLITE_CORRUPT)
    return "damaged (" + std::string(sqlite3_errmsg(db)) + ")";
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

std::string FileSystemText(const std::string& fileSystem,
                           const std::string& device,
                           const std::string& model) {
  std::string text = fileSystem;
  if (!device.empty()) text += (text.empty() ? "" : " on ") + device;
  if (!model.empty()) text += " (" + model + ")";
  return text;
}

}  // namespace

HistoryStore::HistoryStore(sqlite3* db, std::string path)
    : db_(db), path_(std::move(path)) {}

HistoryStore::~HistoryStore() { sqlite3_close(db_); }

std::unique_ptr<HistoryStore> HistoryStore::Open(const std::string& path,
                                                 Mode mode,
                                                 std::string& error) {
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
  // Reading may bring an older file up to date: read-write where it can.
  sqlite3* db = nullptr;
  int status = sqlite3_open_v2(
      path.c_str(), &db,
      SQLITE_OPEN_READWRITE | (mode == Mode::kWrite ? SQLITE_OPEN_CREATE : 0),
      nullptr);
  if (status != SQLITE_OK && mode == Mode::kRead) {
    sqlite3_close(db);
    db = nullptr;
    status = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  }
  if (status != SQLITE_OK) {
    error = path + ": cannot open: " + (db ? sqlite3_errmsg(db) : "no memory");
    sqlite3_close(db);
    return nullptr;
  }
  std::unique_ptr<HistoryStore> store(new HistoryStore(db, path));
  if (!store->Prepare(mode, error)) {
    error = path + ": " + error;
    return nullptr;
  }
  return store;
}

bool HistoryStore::Prepare(Mode mode, std::string& error) {
  sqlite3_busy_timeout(db_, kBusyMilliseconds);
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
  if (version > kHistorySchemaVersion) {
    error = "made by a newer drives-report (schema version " +
            std::to_string(version) + "; this one knows up to " +
            std::to_string(kHistorySchemaVersion) + "); left as it is";
    return false;
  }
  if (mode == Mode::kWrite || version > 0) {
    // Write-ahead logging lets readers and one writer at a time work at
    // once; it stays set in the file.
    if (mode == Mode::kWrite) {
      std::string ignored;
      ExecSql(db_, "PRAGMA journal_mode = WAL", ignored);
    }
    if (version < kHistorySchemaVersion &&
        !MigrateSchema(db_, version, error)) {
      error = "cannot bring it up to schema version " +
              std::to_string(kHistorySchemaVersion) + ": " + error;
      return false;
    }
  }
  std::string ignored;
  ExecSql(db_, "PRAGMA foreign_keys = ON", ignored);
  return true;
}

long long HistoryStore::DriveFor(const Session& session,
                                 const std::optional<std::string>& drive,
                                 std::string& name, std::string& error) {
  if (!drive && session.machine.fileSystemId) {
    // The drive this file system was recorded under before.
    Statement seen(db_,
                   "SELECT s.drive_id, d.name FROM sessions s JOIN drives d "
                   "ON d.drive_id = s.drive_id WHERE s.machine IS ?1 AND "
                   "s.file_system_id = ?2 ORDER BY s.session_id DESC LIMIT 1");
    seen.Bind(1, session.machine.host).Bind(2, session.machine.fileSystemId);
    if (seen.Step() == SQLITE_ROW) {
      name = seen.Text(1);
      return seen.Int(0);
    }
  }
  if (drive) {
    name = *drive;
  } else {
    name = session.machine.host.value_or("unknown machine") + ":" +
           session.machine.device.value_or(
               session.machine.fileSystemId.value_or(session.directory));
  }
  Statement find(db_, "SELECT drive_id FROM drives WHERE name = ?1");
  find.Bind(1, name);
  if (find.Step() == SQLITE_ROW) {
    if (drive) return find.Int(0);
    // A default name already taken by another file system.
    const std::string base = name;
    for (int n = 2;; ++n) {
      name = base + " (" + std::to_string(n) + ")";
      Statement again(db_, "SELECT 1 FROM drives WHERE name = ?1");
      again.Bind(1, name);
      if (again.Step() != SQLITE_ROW) break;
    }
  }
  Statement insert(db_, "INSERT INTO drives (name, created) VALUES (?1, ?2)");
  insert.Bind(1, name).Bind(2, UtcNow());
  if (!insert.Run()) {
    error = Why(db_);
    return 0;
  }
  return sqlite3_last_insert_rowid(db_);
}

HistoryStore::Added HistoryStore::Add(const Session& session,
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
  const long long driveId = DriveFor(session, drive, driveName, error);
  if (driveId == 0) return fail();
  std::string counts;
  for (const int count : session.threadCounts) {
    counts += (counts.empty() ? "" : ",") + std::to_string(count);
  }
  Statement insert(
      db_,
      "INSERT INTO sessions (drive_id, started, added, machine, "
      "file_system_id, file_system, device, device_model, directory, "
      "program, word_size, thread_counts, source, content_hash, manifest) "
      "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, "
      "?15)");
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
      .Bind(15, session.manifest);
  if (!insert.Run()) return fail();
  id = sqlite3_last_insert_rowid(db_);
  Statement run(db_,
                "INSERT INTO runs (session_id, number, threads, disturbed) "
                "VALUES (?1, ?2, ?3, ?4)");
  Statement figure(db_,
                   "INSERT INTO figures (run_id, figure, value, unit) VALUES "
                   "(?1, ?2, ?3, ?4)");
  for (const SessionRun& r : session.runs) {
    run.Bind(1, id)
        .Bind(2, static_cast<long long>(r.number))
        .Bind(3, r.threads);
    run.Bind(4, static_cast<long long>(r.disturbed ? 1 : 0));
    if (!run.Run()) return fail();
    const long long runId = sqlite3_last_insert_rowid(db_);
    for (const SessionFigure& f : r.figures) {
      figure.Bind(1, runId).Bind(2, f.figure).Bind(3, f.value).Bind(4, f.unit);
      if (!figure.Run()) return fail();
    }
  }
  if (!ExecSql(db_, "COMMIT", error)) return fail();
  return Added::kAdded;
}

std::vector<DriveSummary> HistoryStore::Drives(std::string& error) {
  std::vector<DriveSummary> drives;
  Statement query(db_,
                  "SELECT d.drive_id, d.name, count(s.session_id), "
                  "min(s.started), max(s.started) FROM drives d LEFT JOIN "
                  "sessions s ON s.drive_id = d.drive_id GROUP BY d.drive_id "
                  "ORDER BY d.name");
  int status = SQLITE_ERROR;
  while ((status = query.Step()) == SQLITE_ROW) {
    drives.push_back({query.Int(0), query.Text(1),
                      static_cast<int>(query.Int(2)), query.Text(3),
                      query.Text(4)});
  }
  if (status != SQLITE_DONE) error = Why(db_);
  return drives;
}

std::vector<StoredSession> HistoryStore::Sessions(const std::string& drive,
                                                  const std::string& since,
                                                  bool figures,
                                                  std::string& error) {
  std::vector<StoredSession> sessions;
  std::map<long long, std::size_t> byId;
  Statement query(
      db_,
      "SELECT s.session_id, d.name, s.started, coalesce(s.program, ''), "
      "s.thread_counts, (SELECT count(*) FROM runs r WHERE r.session_id = "
      "s.session_id), s.source, coalesce(s.machine, ''), "
      "coalesce(s.file_system, ''), coalesce(s.device, ''), "
      "coalesce(s.device_model, '') FROM sessions s JOIN drives d ON "
      "d.drive_id = s.drive_id WHERE (?1 = '' OR d.name = ?1) AND "
      "s.started >= ?2 ORDER BY s.started, s.session_id");
  query.Bind(1, drive).Bind(2, since);
  int status = SQLITE_ERROR;
  while ((status = query.Step()) == SQLITE_ROW) {
    StoredSession s;
    s.summary = {query.Int(0),
                 query.Text(1),
                 query.Text(2),
                 query.Text(3),
                 query.Text(4),
                 static_cast<int>(query.Int(5)),
                 query.Text(6),
                 query.Text(7),
                 FileSystemText(query.Text(8), query.Text(9), query.Text(10))};
    byId[s.summary.id] = sessions.size();
    sessions.push_back(std::move(s));
  }
  if (status != SQLITE_DONE) {
    error = Why(db_);
    return {};
  }
  if (!figures || sessions.empty()) return sessions;
  Statement values(
      db_,
      "SELECT r.session_id, r.run_id, r.number, r.threads, r.disturbed, "
      "f.figure, f.value, f.unit FROM runs r JOIN sessions s ON s.session_id "
      "= r.session_id JOIN drives d ON d.drive_id = s.drive_id LEFT JOIN "
      "figures f ON f.run_id = r.run_id WHERE (?1 = '' OR d.name = ?1) AND "
      "s.started >= ?2 ORDER BY r.session_id, r.number, r.run_id");
  values.Bind(1, drive).Bind(2, since);
  long long lastRun = -1;
  while ((status = values.Step()) == SQLITE_ROW) {
    const auto found = byId.find(values.Int(0));
    if (found == byId.end()) continue;
    std::vector<SessionRun>& runs = sessions[found->second].runs;
    if (values.Int(1) != lastRun) {
      lastRun = values.Int(1);
      runs.push_back({static_cast<int>(values.Int(2)),
                      values.OptionalInt(3),
                      values.Int(4) != 0,
                      {}});
    }
    if (!values.Text(5).empty()) {
      runs.back().figures.push_back(
          {values.Text(5), values.Real(6), values.Text(7)});
    }
  }
  if (status != SQLITE_DONE) {
    error = Why(db_);
    return {};
  }
  return sessions;
}

std::string HistoryPath(const std::string& asked) {
  if (!asked.empty()) return asked;
  const char* fromEnvironment = std::getenv("DRIVES_HISTORY");
  if (fromEnvironment && *fromEnvironment) return fromEnvironment;
  return DefaultHistoryPath().value_or("");
}
