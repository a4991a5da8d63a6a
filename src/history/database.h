// What the history needs of a SQL database, offered by a SQLite file and
// by a PostgreSQL server alike: a transaction, a statement with numbered
// parameters (?1, ?2, ...) whose rows are read column by column, and the
// few words in which the two write their schemas apart. Every query and
// every row mapping of the history is written once, above this.
#ifndef DRIVES_HISTORY_DATABASE_H_
#define DRIVES_HISTORY_DATABASE_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

// A statement's parameter: its type is known even where it is NULL, since a
// server must be told it.
struct SqlValue {
  enum class Kind { kInteger, kReal, kText, kFlag };
  Kind kind = Kind::kText;
  bool null = true;
  long long integer = 0;
  double real = 0;
  std::string text;
};

SqlValue SqlInteger(long long value);
SqlValue SqlInteger(const std::optional<int>& value);
SqlValue SqlInteger(const std::optional<long long>& value);
SqlValue SqlReal(double value);
SqlValue SqlReal(const std::optional<double>& value);
SqlValue SqlText(const std::string& value);
SqlValue SqlText(const std::optional<std::string>& value);
SqlValue SqlFlag(bool value);

// The rows of one statement, read in order.
class SqlRows {
 public:
  virtual ~SqlRows() = default;
  // Moves to the next row; false at the end, or where reading failed (then
  // the database's Why() says why and Failed() is true).
  virtual bool Next() = 0;
  virtual bool Failed() const = 0;
  virtual bool Null(int column) const = 0;
  virtual long long Integer(int column) const = 0;
  virtual double Real(int column) const = 0;
  virtual std::string Text(int column) const = 0;
  virtual bool Flag(int column) const = 0;

  std::optional<int> OptionalInt(int column) const;
  std::optional<double> OptionalReal(int column) const;
  std::optional<std::string> OptionalText(int column) const;
};

// How a database writes the schema's types and the few statements the two
// do not share, by the names the schema's steps use: {key} {ref} {real}
// {flag} {without_rowid} {now} {cascade} {relink_sessions}.
struct SqlWords {
  const char* key;             // a table's own id, given by the database
  const char* ref;             // an id of another table's row
  const char* real;            // a double
  const char* flag;            // false unless said
  const char* withoutRowid;    // a table that needs no id of its own
  const char* now;             // the time now, as UtcNow() writes it
  const char* cascade;         // a table dropped with the keys that name it
  const char* relinkSessions;  // the sessions' key to the rebuilt drives
};

class Database {
 public:
  virtual ~Database() = default;

  // A transaction that writes: no other writer runs before its end.
  virtual bool Begin(std::string& error) = 0;
  virtual bool Commit(std::string& error) = 0;
  virtual void Rollback() = 0;

  // Runs `sql`; its rows, or none with `error` set where it failed.
  virtual std::unique_ptr<SqlRows> Query(const std::string& sql,
                                         const std::vector<SqlValue>& params,
                                         std::string& error) = 0;
  // Runs statements without parameters, one after another.
  virtual bool Script(const std::string& sql, std::string& error) = 0;
  // Whether the last failure was a unique key another row holds already.
  virtual bool Conflict() const = 0;
  // Why the last statement failed, in a line.
  virtual std::string Why() const = 0;

  // The schema version the database holds (0 where it holds no history).
  virtual std::optional<int> Version(std::string& error) = 0;
  virtual bool SetVersion(int version, std::string& error) = 0;
  virtual const SqlWords& Words() const = 0;

  // Runs `sql` for its effect only.
  bool Execute(const std::string& sql, const std::vector<SqlValue>& params,
               std::string& error);
  // Runs an INSERT ... RETURNING of one id; 0 with `error` set.
  long long Insert(const std::string& sql, const std::vector<SqlValue>& params,
                   std::string& error);
  // Inserts `values` as rows of `columns` each, `head` being
  // "INSERT INTO t (a, b)": here in a few statements of many rows, since
  // over a network the round trips are most of a session's time; a file
  // does better with one statement run again for each row.
  virtual bool InsertRows(const std::string& head, int columns,
                          const std::vector<SqlValue>& values,
                          std::string& error);
};

#endif  // DRIVES_HISTORY_DATABASE_H_
