// The history on a PostgreSQL server, through libpq (database.h): the same
// tables as the SQLite file in PostgreSQL's types, a table of its own for
// the schema version, one transaction a session. Connections give up in
// seconds on a server gone away (connect timeout, TCP keepalives), and a
// writer waits for another's lock as long as SQLite's busy timeout.
#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>

#include "history/database.h"
#include "history/schema.h"
#include "history/server_location.h"
#include "history/server_store.h"
#include "history/sql_history.h"

namespace {

constexpr SqlWords kServerWords = {
    "BIGSERIAL PRIMARY KEY",
    "BIGINT",
    "DOUBLE PRECISION",
    "BOOLEAN NOT NULL DEFAULT false",
    "",
    "to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"')",
    " CASCADE",
    "\nALTER TABLE sessions ADD FOREIGN KEY (drive_id) REFERENCES drives "
    "(drive_id);",
};

constexpr char kGrants[] =
    "A writer (run, history add, accept, check --record) needs:\n"
    "  GRANT SELECT, INSERT ON ALL TABLES IN SCHEMA public TO writer;\n"
    "  GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO writer;\n"
    "a reader (history, show, check):\n"
    "  GRANT SELECT ON ALL TABLES IN SCHEMA public TO reader;\n"
    "and history remove also DELETE on sessions, runs, figures and "
    "session_summaries.";

// How long a writer waits for another's lock (SQLite's busy timeout), and
// for a server to answer.
constexpr char kLockTimeout[] = "15s";
// libpq's own words on such a string may quote it whole: none are shown.
constexpr char kMalformed[] =
    "the history server's connection string does not parse (libpq); it is "
    "not shown";
constexpr int kLockSeconds = 15;

// libpq's message on one line.
std::string OneLine(std::string message) {
  while (!message.empty() &&
         (message.back() == '\n' || message.back() == ' ')) {
    message.pop_back();
  }
  for (char& c : message) {
    if (c == '\n' || c == '\t') c = ' ';
  }
  return message;
}

// `message` with the password `location` holds, if any, masked: libpq may
// quote a part of a connection string it cannot take.
std::string Hidden(std::string message, const std::string& location) {
  char* why = nullptr;
  PQconninfoOption* options = PQconninfoParse(location.c_str(), &why);
  PQfreemem(why);
  for (PQconninfoOption* o = options; o && o->keyword; ++o) {
    if (std::string(o->keyword) != "password" || !o->val || !*o->val) continue;
    const std::string secret = o->val;
    for (std::size_t at = message.find(secret); at != std::string::npos;
         at = message.find(secret, at)) {
      message.replace(at, secret.size(), "***");
    }
  }
  PQconninfoFree(options);
  return message;
}

// A connection with the timeouts set; none with `error` set.
PGconn* Connect(const std::string& location, std::string& error) {
  // Ours first: what the location says of the same keys wins.
  const char* keys[] = {"connect_timeout",  "keepalives",
                        "keepalives_idle",  "keepalives_interval",
                        "keepalives_count", "application_name",
                        "dbname",           nullptr};
  const char* values[] = {
      "10", "1", "10", "5", "3", "drives-report", location.c_str(), nullptr};
  PGconn* conn = PQconnectdbParams(keys, values, 1);
  if (conn == nullptr) {
    error = "cannot connect: no memory";
    return nullptr;
  }
  if (PQstatus(conn) != CONNECTION_OK) {
    error =
        "cannot connect: " + Hidden(OneLine(PQerrorMessage(conn)), location);
    PQfinish(conn);
    return nullptr;
  }
  // A lock held past this is an error, as SQLite's busy timeout; a server
  // that stops answering is one too.
  PGresult* set =
      PQexec(conn, (std::string("SET lock_timeout = '") + kLockTimeout +
                    "'; SET client_min_messages = warning")
                       .c_str());
  PQclear(set);
  return conn;
}

// PostgreSQL's types of the parameters (pg_type's oids).
constexpr Oid kInt8 = 20;
constexpr Oid kFloat8 = 701;
constexpr Oid kText = 25;
constexpr Oid kBool = 16;

// The rows of one statement's result, freed with the object.
class ServerRows : public SqlRows {
 public:
  explicit ServerRows(PGresult* result) : result_(result) {}
  ~ServerRows() override { PQclear(result_); }
  ServerRows(const ServerRows&) = delete;
  ServerRows& operator=(const ServerRows&) = delete;

  bool Next() override { return ++row_ < PQntuples(result_); }
  bool Failed() const override { return false; }  // all are here already
  bool Null(int column) const override {
    return PQgetisnull(result_, row_, column) != 0;
  }
  long long Integer(int column) const override {
    return std::strtoll(PQgetvalue(result_, row_, column), nullptr, 10);
  }
  double Real(int column) const override {
    return std::strtod(PQgetvalue(result_, row_, column), nullptr);
  }
  std::string Text(int column) const override {
    return PQgetvalue(result_, row_, column);
  }
  bool Flag(int column) const override {
    return !Null(column) && Text(column) == "t";
  }

 private:
  PGresult* result_;
  int row_ = -1;
};

// `sql` with SQLite's numbered parameters (?1) in libpq's ($1).
std::string ServerParameters(const std::string& sql) {
  std::string text = sql;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '?' && text[i + 1] >= '0' && text[i + 1] <= '9') {
      text[i] = '$';
    }
  }
  return text;
}

class ServerDatabase : public Database {
 public:
  explicit ServerDatabase(PGconn* conn) : conn_(conn) {}
  ~ServerDatabase() override { PQfinish(conn_); }
  ServerDatabase(const ServerDatabase&) = delete;
  ServerDatabase& operator=(const ServerDatabase&) = delete;

  bool Begin(std::string& error) override { return Script("BEGIN", error); }
  bool Commit(std::string& error) override { return Script("COMMIT", error); }
  void Rollback() override { PQclear(PQexec(conn_, "ROLLBACK")); }

  std::unique_ptr<SqlRows> Query(const std::string& sql,
                                 const std::vector<SqlValue>& params,
                                 std::string& error) override {
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size());
    std::vector<Oid> types(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) {
      const SqlValue& p = params[i];
      switch (p.kind) {
        case SqlValue::Kind::kInteger:
          types[i] = kInt8;
          texts[i] = std::to_string(p.integer);
          break;
        case SqlValue::Kind::kReal: {
          types[i] = kFloat8;
          char text[40];
          std::snprintf(text, sizeof text, "%.17g", p.real);
          texts[i] = text;
          break;
        }
        case SqlValue::Kind::kText:
          types[i] = kText;
          texts[i] = p.text;
          break;
        case SqlValue::Kind::kFlag:
          types[i] = kBool;
          texts[i] = p.integer != 0 ? "t" : "f";
          break;
      }
      values[i] = p.null ? nullptr : texts[i].c_str();
    }
    PGresult* result = PQexecParams(
        conn_, ServerParameters(sql).c_str(), static_cast<int>(params.size()),
        types.data(), values.data(), nullptr, nullptr, 0);
    if (Succeeded(result)) return std::make_unique<ServerRows>(result);
    error = Why();
    PQclear(result);
    return nullptr;
  }

  bool Script(const std::string& sql, std::string& error) override {
    PGresult* result = PQexec(conn_, sql.c_str());
    const bool done = Succeeded(result);
    PQclear(result);
    if (!done) error = Why();
    return done;
  }

  // "23505": a unique key already there.
  bool Conflict() const override { return state_ == "23505"; }

  std::string Why() const override {
    std::string message = OneLine(PQerrorMessage(conn_));
    if (message.find("lock timeout") != std::string::npos) {
      return "locked by another process for over " +
             std::to_string(kLockSeconds) + " s";
    }
    if (PQstatus(conn_) != CONNECTION_OK) {
      return "the connection to the server broke: " + message;
    }
    return message;
  }

  std::optional<int> Version(std::string& error) override {
    std::unique_ptr<SqlRows> exists = Query(
        "SELECT 1 FROM information_schema.tables WHERE table_schema = "
        "current_schema() AND table_name = 'schema_version'",
        {}, error);
    if (!exists) return std::nullopt;
    if (!exists->Next()) return 0;
    std::unique_ptr<SqlRows> version =
        Query("SELECT max(version) FROM schema_version", {}, error);
    if (!version) return std::nullopt;
    if (!version->Next() || version->Null(0)) return 0;
    return static_cast<int>(version->Integer(0));
  }

  bool SetVersion(int version, std::string& error) override {
    return Script(
        "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT "
        "NULL); DELETE FROM schema_version; INSERT INTO schema_version "
        "VALUES (" +
            std::to_string(version) + ")",
        error);
  }

  const SqlWords& Words() const override { return kServerWords; }

 private:
  // Whether `result` is a success; keeps a failure's SQLSTATE.
  bool Succeeded(PGresult* result) {
    const ExecStatusType s = PQresultStatus(result);
    const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
    state_ = state ? state : "";
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
  }

  PGconn* conn_;
  std::string state_;
};

// A connection to `location` and the schema's version there; none with
// `error` set, naming the server as `where`.
std::unique_ptr<ServerDatabase> ConnectAt(const std::string& location,
                                          const std::string& where,
                                          std::optional<int>& version,
                                          std::string& error) {
  std::string password;
  if (ParseConnection(location, password) == ConnectionParse::kMalformed) {
    error = kMalformed;
    return nullptr;
  }
  PGconn* conn = Connect(location, error);
  if (conn == nullptr) {
    error = where + ": " + error;
    return nullptr;
  }
  auto db = std::make_unique<ServerDatabase>(conn);
  version = db->Version(error);
  if (!version) {
    error = where + ": " + error;
    return nullptr;
  }
  return db;
}

}  // namespace

ConnectionParse ParseConnection(const std::string& location,
                                std::string& password) {
  password.clear();
  char* why = nullptr;
  PQconninfoOption* options = PQconninfoParse(location.c_str(), &why);
  PQfreemem(why);  // it may quote the string whole
  if (options == nullptr) return ConnectionParse::kMalformed;
  for (PQconninfoOption* o = options; o->keyword; ++o) {
    if (std::string(o->keyword) == "password" && o->val) password = o->val;
  }
  PQconninfoFree(options);
  return ConnectionParse::kParsed;
}

std::unique_ptr<HistoryStore> OpenServer(const std::string& location,
                                         HistoryStore::Mode mode,
                                         std::string& error) {
  (void)mode;  // a reader needs no other connection than a writer
  const std::string where = MaskPassword(location);
  std::optional<int> version;
  std::unique_ptr<ServerDatabase> db =
      ConnectAt(location, where, version, error);
  if (!db) return nullptr;
  if (*version != kHistorySchemaVersion) {
    const bool newer = *version > kHistorySchemaVersion;
    error = where + ": " +
            (*version == 0
                 ? std::string("holds no drives history yet")
                 : "a history of schema version " + std::to_string(*version) +
                       (newer ? " (made by a newer drives-report); left as it "
                                "is"
                              : "")) +
            (newer ? ""
                   : "; make it ready with: drives-report history init "
                     "--history '" +
                         where + "'");
    return nullptr;
  }
  return std::make_unique<SqlHistory>(std::move(db), where, false);
}

bool InitServer(const std::string& location, std::string& said,
                std::string& error) {
  const std::string where = MaskPassword(location);
  std::optional<int> version;
  std::unique_ptr<ServerDatabase> db =
      ConnectAt(location, where, version, error);
  if (!db) return false;
  if (*version > kHistorySchemaVersion) {
    error = where + ": a history of schema version " +
            std::to_string(*version) +
            " (made by a newer drives-report); left as it is";
    return false;
  }
  if (*version == kHistorySchemaVersion) {
    said = where + ": the history is there already (schema version " +
           std::to_string(kHistorySchemaVersion) + ").\n" + kGrants;
    return true;
  }
  // Versions 1 and 2 were never kept on a server: only a new one is made.
  if (*version != 0) {
    error = where + ": schema version " + std::to_string(*version) +
            " is none this drives-report knows; left as it is";
    return false;
  }
  if (!MigrateSchema(*db, 0, error)) {
    error = where + ": cannot make the history: " + error;
    return false;
  }
  said = where + ": the history is made (schema version " +
         std::to_string(kHistorySchemaVersion) + ").\n" + kGrants;
  return true;
}
