// The history's database in one SQLite file (database.h): the connection a
// file's history reads and writes through.
#ifndef DRIVES_HISTORY_SQLITE_DATABASE_H_
#define DRIVES_HISTORY_SQLITE_DATABASE_H_

#include <string>

#include "history/database.h"

struct sqlite3;

class SqliteDatabase : public Database {
 public:
  // How long a writer waits for another to finish before it gives up.
  static constexpr int kBusyMilliseconds = 15000;

  explicit SqliteDatabase(sqlite3* db);  // takes it over
  ~SqliteDatabase() override;
  SqliteDatabase(const SqliteDatabase&) = delete;
  SqliteDatabase& operator=(const SqliteDatabase&) = delete;

  bool Begin(std::string& error) override;
  bool Commit(std::string& error) override;
  void Rollback() override;
  std::unique_ptr<SqlRows> Query(const std::string& sql,
                                 const std::vector<SqlValue>& params,
                                 std::string& error) override;
  bool Script(const std::string& sql, std::string& error) override;
  bool InsertRows(const std::string& head, int columns,
                  const std::vector<SqlValue>& values,
                  std::string& error) override;
  bool Conflict() const override;
  std::string Why() const override;
  std::optional<int> Version(std::string& error) override;
  bool SetVersion(int version, std::string& error) override;
  const SqlWords& Words() const override;

  // Whether the last failure was a full disk, whatever SQLite made of it.
  bool DiskFull() const;
  // Whether the last failure was the file's being read-only or not there.
  bool CannotWrite() const;
  sqlite3* Handle() const { return db_; }

 private:
  sqlite3* db_;
};

#endif  // DRIVES_HISTORY_SQLITE_DATABASE_H_
