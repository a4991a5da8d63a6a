#include "history/sqlite_database.h"

#include <sqlite3.h>

#include <cerrno>

namespace {

constexpr SqlWords kSqliteWords = {
    "INTEGER PRIMARY KEY",
    "INTEGER",
    "REAL",
    "INTEGER NOT NULL DEFAULT 0",
    " WITHOUT ROWID",
    "strftime('%Y-%m-%dT%H:%M:%SZ', 'now')",
    "",
    "",
};

// The rows of one prepared statement, finalised when they go. The first
// step is taken when the statement runs, so that a statement without rows
// has done its work and said whether it failed.
class SqliteRows : public SqlRows {
 public:
  SqliteRows(sqlite3_stmt* statement, int first)
      : statement_(statement), status_(first) {}
  ~SqliteRows() override { sqlite3_finalize(statement_); }
  SqliteRows(const SqliteRows&) = delete;
  SqliteRows& operator=(const SqliteRows&) = delete;

  bool Next() override {
    if (!fresh_ && status_ == SQLITE_ROW) status_ = sqlite3_step(statement_);
    fresh_ = false;
    return status_ == SQLITE_ROW;
  }
  bool Failed() const override {
    return status_ != SQLITE_ROW && status_ != SQLITE_DONE;
  }
  bool Null(int column) const override {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
  }
  long long Integer(int column) const override {
    return sqlite3_column_int64(statement_, column);
  }
  double Real(int column) const override {
    return sqlite3_column_double(statement_, column);
  }
  std::string Text(int column) const override {
    const unsigned char* text = sqlite3_column_text(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(size))
                : "";
  }
  bool Flag(int column) const override { return Integer(column) != 0; }

 private:
  sqlite3_stmt* statement_;
  int status_;
  bool fresh_ = true;
};

void Bind(sqlite3_stmt* statement, int i, const SqlValue& v) {
  if (v.null) {
    sqlite3_bind_null(statement, i);
    return;
  }
  switch (v.kind) {
    case SqlValue::Kind::kInteger:
    case SqlValue::Kind::kFlag:
      sqlite3_bind_int64(statement, i, v.integer);
      break;
    case SqlValue::Kind::kReal:
      sqlite3_bind_double(statement, i, v.real);
      break;
    case SqlValue::Kind::kText:
      sqlite3_bind_text(statement, i, v.text.c_str(),
                        static_cast<int>(v.text.size()), SQLITE_TRANSIENT);
      break;
  }
}

}  // namespace

SqliteDatabase::SqliteDatabase(sqlite3* db) : db_(db) {}

SqliteDatabase::~SqliteDatabase() { sqlite3_close(db_); }

bool SqliteDatabase::Begin(std::string& error) {
  if (Script("BEGIN IMMEDIATE", error)) return true;
  error = Why();
  return false;
}

bool SqliteDatabase::Commit(std::string& error) {
  return Script("COMMIT", error);
}

void SqliteDatabase::Rollback() {
  std::string ignored;
  Script("ROLLBACK", ignored);
}

std::unique_ptr<SqlRows> SqliteDatabase::Query(
    const std::string& sql, const std::vector<SqlValue>& params,
    std::string& error) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()),
                         &statement, nullptr) != SQLITE_OK) {
    error = Why();
    return nullptr;
  }
  for (std::size_t i = 0; i < params.size(); ++i) {
    Bind(statement, static_cast<int>(i + 1), params[i]);
  }
  const int first = sqlite3_step(statement);
  if (first != SQLITE_ROW && first != SQLITE_DONE) {
    error = Why();
    sqlite3_finalize(statement);
    return nullptr;
  }
  return std::make_unique<SqliteRows>(statement, first);
}

bool SqliteDatabase::Script(const std::string& sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) {
    return true;
  }
  error = message ? message : sqlite3_errmsg(db_);
  sqlite3_free(message);
  return false;
}

bool SqliteDatabase::InsertRows(const std::string& head, int columns,
                                const std::vector<SqlValue>& values,
                                std::string& error) {
  std::string sql = head + " VALUES (";
  for (int c = 1; c <= columns; ++c) {
    sql += (c > 1 ? ", ?" : "?") + std::to_string(c);
  }
  sql += ")";
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()),
                         &statement, nullptr) != SQLITE_OK) {
    error = Why();
    return false;
  }
  const std::size_t width = static_cast<std::size_t>(columns);
  bool done = true;
  for (std::size_t first = 0; done && first + width <= values.size();
       first += width) {
    for (std::size_t c = 0; c < width; ++c) {
      Bind(statement, static_cast<int>(c + 1), values[first + c]);
    }
    done = sqlite3_step(statement) == SQLITE_DONE;
    if (!done) error = Why();
    sqlite3_reset(statement);
  }
  sqlite3_finalize(statement);
  return done;
}

bool SqliteDatabase::Conflict() const {
  return sqlite3_extended_errcode(db_) == SQLITE_CONSTRAINT_UNIQUE;
}

bool SqliteDatabase::DiskFull() const {
  if (sqlite3_errcode(db_) == SQLITE_FULL) return true;
  // A write-ahead log's shared memory that cannot grow is an I/O error to
  // SQLite.
  const int system = sqlite3_system_errno(db_);
#ifdef _WIN32
  return system == 112 || system == 39;  // ERROR_DISK_FULL, _HANDLE_DISK_FULL
#else
  return system == ENOSPC;
#endif
}

bool SqliteDatabase::CannotWrite() const {
  const int primary = sqlite3_extended_errcode(db_) & 0xff;
  return primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN;
}

std::string SqliteDatabase::Why() const {
  const int code = sqlite3_errcode(db_);
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
    return "locked by another process for over " +
           std::to_string(kBusyMilliseconds / 1000) + " s";
  }
  if (DiskFull()) return "the disk is full";
  if (code == SQLITE_NOTADB) return "not a SQLite database";
  if (code == SQLITE_CORRUPT) {
    return "damaged (" + std::string(sqlite3_errmsg(db_)) + ")";
  }
  return sqlite3_errmsg(db_);
}

std::optional<int> SqliteDatabase::Version(std::string& error) {
  const std::unique_ptr<SqlRows> rows = Query("PRAGMA user_version", {}, error);
  if (!rows || !rows->Next()) {
    error = Why();
    return std::nullopt;
  }
  return static_cast<int>(rows->Integer(0));
}

bool SqliteDatabase::SetVersion(int version, std::string& error) {
  return Script("PRAGMA user_version = " + std::to_string(version), error);
}

const SqlWords& SqliteDatabase::Words() const { return kSqliteWords; }
