// Write-ahead logging and a busy timeout let several writers record at
// once; readers open the file read-only, so that a history in a read-only
// place, or another user's, can be read.
#include "history/sqlite_store.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "history/schema.h"
#include "history/sql_history.h"
#include "history/sqlite_database.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSqliteHeader[] = "SQLite format 3";  // and a NUL

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

// The first row's first column of `sql`, none with `error` set.
std::optional<std::string> FirstText(SqliteDatabase& db, const char* sql,
                                     std::string& error) {
  const std::unique_ptr<SqlRows> rows = db.Query(sql, {}, error);
  if (!rows || !rows->Next()) {
    error = db.Why();
    return std::nullopt;
  }
  return rows->Text(0);
}

// What an opened file turned out to be.
enum class Prepared { kReady, kEmpty, kOlder, kRefused };

// Checks the file, and brings it up to date where `mode` writes it.
Prepared Prepare(SqliteDatabase& db, HistoryStore::Mode mode,
                 std::string& error) {
  sqlite3_busy_timeout(db.Handle(), SqliteDatabase::kBusyMilliseconds);
  // The file may come from elsewhere: its schema runs no functions or
  // triggers of its own, nothing writes around SQLite's own checks, and a
  // reader's connection cannot write at all.
  sqlite3_db_config(db.Handle(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db.Handle(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  std::string ignored;
  if (mode == HistoryStore::Mode::kRead) {
    db.Script("PRAGMA query_only = 1", ignored);
  }
  const std::optional<std::string> check =
      FirstText(db, "PRAGMA quick_check", error);
  if (!check) {
    error += "; left as it is";
    return Prepared::kRefused;
  }
  if (*check != "ok") {
    // Its first finding, on one line.
    std::string finding = *check;
    for (char& c : finding) {
      if (c == '\n') c = ' ';
    }
    error = "damaged (" + finding + "); left as it is";
    return Prepared::kRefused;
  }
  // The version and the tables in one statement, so in one snapshot: a
  // writer making the history between two reads would make it look like
  // another program's tables at version 0.
  std::optional<int> version;
  std::optional<std::string> tables;
  {
    const std::unique_ptr<SqlRows> rows = db.Query(
        "SELECT (SELECT user_version FROM pragma_user_version), "
        "(SELECT count(*) FROM sqlite_master WHERE type = 'table')",
        {}, error);
    if (!rows || !rows->Next()) {
      error = db.Why();
      return Prepared::kRefused;
    }
    version = static_cast<int>(rows->Integer(0));
    tables = rows->Text(1);
  }
  if (*version < 0) {
    error = "schema version " + std::to_string(*version) +
            " is not one drives-report makes; left as it is";
    return Prepared::kRefused;
  }
  if (*version > kHistorySchemaVersion) {
    error = "made by a newer drives-report (schema version " +
            std::to_string(*version) + "; this one knows up to " +
            std::to_string(kHistorySchemaVersion) + "); left as it is";
    return Prepared::kRefused;
  }
  if (*version == 0 && *tables != "0") {
    // Another program's database: never taken over.
    error =
        "not a drives history (it holds another program's tables); "
        "left as it is";
    return Prepared::kRefused;
  }
  const bool writes = mode == HistoryStore::Mode::kWrite;
  // A file just made, or being made, is an empty history to a reader.
  if (*version == 0 && !writes) return Prepared::kEmpty;
  if (*version < kHistorySchemaVersion) {
    if (!writes) return Prepared::kOlder;
    // Everything is checked, and the file changes only in the migration's
    // transaction; write-ahead logging follows it.
    if (!MigrateSchema(db, *version, error)) {
      if (db.DiskFull()) error = "the disk is full";
      error =
          (*version == 0 ? "cannot make the history: "
                         : "cannot bring it up to schema version " +
                               std::to_string(kHistorySchemaVersion) + ": ") +
          error;
      return Prepared::kRefused;
    }
  }
  // Write-ahead logging lets readers and one writer at a time work at
  // once; it stays set in the file.
  if (writes) db.Script("PRAGMA journal_mode = WAL", ignored);
  db.Script("PRAGMA foreign_keys = ON", ignored);
  return Prepared::kReady;
}

}  // namespace

std::unique_ptr<HistoryStore> OpenSqliteHistory(const std::string& path,
                                                HistoryStore::Mode mode,
                                                std::string& error) {
  error.clear();
  std::error_code code;
  const bool exists = fs::exists(path, code);
  const bool writes = mode == HistoryStore::Mode::kWrite;
  if (!exists && !writes) return nullptr;
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
      writes ? std::vector<std::string>{path}
             : std::vector<std::string>{path, "file:" + path + "?immutable=1"};
  const int flags = writes ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                           : SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
  for (const std::string& name : names) {
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(name.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
      error = path + ": cannot open: " +
              (handle ? std::string(sqlite3_errmsg(handle)) : "no memory");
      sqlite3_close(handle);
      continue;
    }
    auto db = std::make_unique<SqliteDatabase>(handle);
    error.clear();
    const Prepared prepared = Prepare(*db, mode, error);
    if (prepared == Prepared::kReady || prepared == Prepared::kEmpty) {
      return std::make_unique<SqlHistory>(std::move(db), path,
                                          prepared == Prepared::kEmpty);
    }
    if (prepared == Prepared::kOlder) {
      // An older history is brought up to date once, by a writer, where
      // this user may write it; then read as any other.
      db.reset();
      std::string why;
      if (!OpenSqliteHistory(path, HistoryStore::Mode::kWrite, why)) {
        error = why;
        return nullptr;
      }
      return OpenSqliteHistory(path, mode, error);
    }
    error.insert(0, path + ": ");
    if (!db->CannotWrite()) break;
  }
  return nullptr;
}
