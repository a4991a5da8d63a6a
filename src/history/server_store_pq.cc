// The history on a PostgreSQL server, through libpq: the same tables as the
// SQLite file in PostgreSQL's types, a table of its own for the schema
// version, one transaction a session. Connections give up in seconds on a
// server gone away (connect timeout, TCP keepalives), and a writer waits
// for another's lock as long as SQLite's busy timeout.
#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

#include "history/server_location.h"
#include "history/server_store.h"
#include "history/store_text.h"
#include "history/views.h"
#include "runs/manifest.h"

namespace {

constexpr int kSchemaVersion = kHistorySchemaVersion;

// The tables of schema version 3, as the SQLite file's, in PostgreSQL's
// types; the views alike.
constexpr char kSchema[] = R"sql(
CREATE TABLE schema_version (version INTEGER NOT NULL);
CREATE TABLE machines (
  machine_id BIGSERIAL PRIMARY KEY,
  machine_key TEXT NOT NULL UNIQUE,
  host TEXT,
  created TEXT NOT NULL);
CREATE TABLE drives (
  drive_id BIGSERIAL PRIMARY KEY,
  machine_id BIGINT REFERENCES machines (machine_id),
  name TEXT NOT NULL,
  created TEXT NOT NULL,
  UNIQUE (machine_id, name));
CREATE TABLE sessions (
  session_id BIGSERIAL PRIMARY KEY,
  drive_id BIGINT NOT NULL REFERENCES drives (drive_id),
  machine_id BIGINT REFERENCES machines (machine_id),
  started TEXT NOT NULL,
  added TEXT NOT NULL,
  machine TEXT,
  file_system_id TEXT,
  file_system TEXT,
  device TEXT,
  device_model TEXT,
  directory TEXT,
  program TEXT,
  word_size INTEGER,
  thread_counts TEXT NOT NULL,
  settle BOOLEAN NOT NULL DEFAULT false,
  source TEXT NOT NULL,
  content_hash TEXT NOT NULL UNIQUE,
  manifest TEXT,
  direct_write_mb_s DOUBLE PRECISION,
  direct_read_mb_s DOUBLE PRECISION,
  fsync_write_mb_s DOUBLE PRECISION,
  sync_files_per_s DOUBLE PRECISION,
  direct_io_refused TEXT,
  team_streams INTEGER,
  team_direct_write_mb_s DOUBLE PRECISION,
  team_direct_read_mb_s DOUBLE PRECISION);
CREATE INDEX sessions_by_drive ON sessions (drive_id, started);
CREATE INDEX sessions_by_file_system ON sessions (machine_id, file_system_id);
CREATE TABLE runs (
  run_id BIGSERIAL PRIMARY KEY,
  session_id BIGINT NOT NULL REFERENCES sessions (session_id),
  number INTEGER NOT NULL,
  threads INTEGER,
  disturbed BOOLEAN NOT NULL DEFAULT false,
  clients INTEGER,
  role TEXT NOT NULL DEFAULT 'drive',
  round INTEGER NOT NULL DEFAULT 0);
CREATE INDEX runs_by_session ON runs (session_id);
CREATE TABLE figures (
  run_id BIGINT NOT NULL REFERENCES runs (run_id),
  figure TEXT NOT NULL,
  value DOUBLE PRECISION NOT NULL,
  unit TEXT NOT NULL,
  PRIMARY KEY (run_id, figure));
CREATE TABLE session_summaries (
  session_id BIGINT NOT NULL REFERENCES sessions (session_id),
  role TEXT NOT NULL,
  clients INTEGER,
  threads INTEGER,
  figure TEXT NOT NULL,
  unit TEXT NOT NULL,
  runs INTEGER NOT NULL,
  median DOUBLE PRECISION NOT NULL,
  ci_low DOUBLE PRECISION,
  ci_high DOUBLE PRECISION);
CREATE INDEX session_summaries_by_session ON session_summaries (session_id);
CREATE TABLE accepted (
  accepted_id BIGSERIAL PRIMARY KEY,
  drive_id BIGINT NOT NULL REFERENCES drives (drive_id),
  since_session BIGINT NOT NULL,
  accepted TEXT NOT NULL);
CREATE TABLE checks (
  check_id BIGSERIAL PRIMARY KEY,
  checked TEXT NOT NULL,
  drive_id BIGINT NOT NULL REFERENCES drives (drive_id),
  figure TEXT NOT NULL,
  role TEXT NOT NULL,
  clients INTEGER,
  threads INTEGER,
  finding TEXT NOT NULL,
  ratio DOUBLE PRECISION,
  ratio_low DOUBLE PRECISION,
  ratio_high DOUBLE PRECISION,
  since_session BIGINT,
  since_started TEXT,
  message TEXT NOT NULL);
INSERT INTO schema_version VALUES (3);
)sql";

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

// One parameter of a statement: its text, or SQL's NULL.
using Param = std::optional<std::string>;

Param Text(const std::string& s) { return s; }
Param Text(const std::optional<std::string>& s) { return s; }
Param Int(long long v) { return std::to_string(v); }
Param Int(const std::optional<int>& v) {
  return v ? Param(std::to_string(*v)) : std::nullopt;
}
Param Bool(bool v) { return v ? "t" : "f"; }
Param Real(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", v);
  return std::string(text);
}
Param Real(const std::optional<double>& v) {
  return v ? Real(*v) : std::nullopt;
}

// A column of values as one array parameter, so that a session's figures
// go in a few statements, not one each: the round trips are most of the
// time a session takes to add over a network.
Param ArrayOf(const std::vector<Param>& values) {
  std::string text = "{";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += ',';
    if (!values[i]) {
      text += "NULL";
      continue;
    }
    text += '"';
    for (const char c : *values[i]) {
      if (c == '"' || c == '\\') text += '\\';
      text += c;
    }
    text += '"';
  }
  return text + "}";
}

// A statement's result, freed with the object.
class Result {
 public:
  explicit Result(PGresult* result) : result_(result) {}
  ~Result() { PQclear(result_); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  Result(Result&& other) noexcept : result_(other.result_) {
    other.result_ = nullptr;
  }
  bool Ok() const {
    const ExecStatusType s = PQresultStatus(result_);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
  }
  // The SQLSTATE of a failure: "23505" for a unique key already there.
  std::string State() const {
    const char* state = PQresultErrorField(result_, PG_DIAG_SQLSTATE);
    return state ? state : "";
  }
  int Rows() const { return PQntuples(result_); }
  bool Null(int row, int column) const {
    return PQgetisnull(result_, row, column) != 0;
  }
  std::string Str(int row, int column) const {
    return PQgetvalue(result_, row, column);
  }
  long long Int(int row, int column) const {
    return std::atoll(PQgetvalue(result_, row, column));
  }
  double Real(int row, int column) const {
    return std::atof(PQgetvalue(result_, row, column));
  }
  std::optional<int> OptionalInt(int row, int column) const {
    if (Null(row, column)) return std::nullopt;
    return static_cast<int>(Int(row, column));
  }
  std::optional<double> OptionalReal(int row, int column) const {
    if (Null(row, column)) return std::nullopt;
    return Real(row, column);
  }
  std::optional<std::string> OptionalStr(int row, int column) const {
    if (Null(row, column)) return std::nullopt;
    return Str(row, column);
  }
  bool Flag(int row, int column) const {
    return !Null(row, column) && Str(row, column) == "t";
  }

 private:
  PGresult* result_;
};

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

class ServerStore : public HistoryStore {
 public:
  ServerStore(PGconn* conn, const std::string& location)
      : conn_(conn), where_(MaskPassword(location)) {}
  ~ServerStore() override { PQfinish(conn_); }
  ServerStore(const ServerStore&) = delete;
  ServerStore& operator=(const ServerStore&) = delete;

  // The schema's version, 0 where the server holds no history yet; none
  // with `error` set.
  std::optional<int> Version(std::string& error) {
    Result exists = Exec(
        "SELECT 1 FROM information_schema.tables WHERE table_schema = "
        "current_schema() AND table_name = 'schema_version'",
        {});
    if (!exists.Ok()) {
      error = Why();
      return std::nullopt;
    }
    if (exists.Rows() == 0) return 0;
    Result version = Exec("SELECT max(version) FROM schema_version", {});
    if (!version.Ok()) {
      error = Why();
      return std::nullopt;
    }
    return version.Null(0, 0) ? 0 : static_cast<int>(version.Int(0, 0));
  }

  Added Add(const Session& session, const std::optional<std::string>& drive,
            long long& id, std::string& driveName, std::string& error) override;
  std::vector<DriveSummary> Drives(std::string& error) override;
  std::vector<StoredSession> Sessions(const std::optional<long long>& drive,
                                      const std::string& since, bool figures,
                                      std::string& error) override;
  std::optional<Session> Load(long long session, std::string& error) override;
  std::vector<std::pair<long long, std::string>> Fingerprints(
      std::string& error) override;
  bool Accept(long long drive, long long since, std::string& error) override;
  std::optional<long long> Accepted(long long drive,
                                    std::string& error) override;
  bool Remove(const std::vector<long long>& sessions,
              std::vector<long long>& missing, std::string& error) override;
  bool Record(const std::vector<CheckRecord>& checks,
              std::string& error) override;
  std::string Where() const override { return where_; }

  Result Exec(const char* sql, const std::vector<Param>& params) {
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Param& p : params) values.push_back(p ? p->c_str() : nullptr);
    return Result(PQexecParams(conn_, sql, static_cast<int>(values.size()),
                               nullptr, values.data(), nullptr, nullptr, 0));
  }
  bool Run(const char* sql, std::string& error) {
    Result done(PQexec(conn_, sql));
    if (done.Ok()) return true;
    error = Why();
    return false;
  }
  // Why the last statement failed, in a line.
  std::string Why() const {
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

 private:
  long long MachineFor(const MachineDescription& machine, std::string& error);
  long long DriveFor(const Session& session, long long machine,
                     const std::optional<std::string>& drive, std::string& name,
                     std::string& error);
  void Rollback() { PQclear(PQexec(conn_, "ROLLBACK")); }

  PGconn* conn_;
  std::string where_;
};

long long ServerStore::MachineFor(const MachineDescription& machine,
                                  std::string& error) {
  const std::string key = MachineKey(machine);
  // Another writer may add the same machine at the same moment.
  Result insert = Exec(
      "INSERT INTO machines (machine_key, host, created) VALUES ($1, $2, $3) "
      "ON CONFLICT (machine_key) DO NOTHING",
      {Text(key), Text(machine.host), Text(UtcNow())});
  Result find =
      Exec("SELECT machine_id FROM machines WHERE machine_key = $1", {key});
  if (!insert.Ok() || !find.Ok() || find.Rows() == 0) {
    error = Why();
    return 0;
  }
  return find.Int(0, 0);
}

long long ServerStore::DriveFor(const Session& session, long long machine,
                                const std::optional<std::string>& drive,
                                std::string& name, std::string& error) {
  if (!drive && session.machine.fileSystemId) {
    Result seen = Exec(
        "SELECT s.drive_id, d.name FROM sessions s JOIN drives d ON "
        "d.drive_id = s.drive_id WHERE d.machine_id = $1 AND "
        "s.file_system_id = $2 ORDER BY s.session_id DESC LIMIT 1",
        {Int(machine), Text(session.machine.fileSystemId)});
    if (seen.Ok() && seen.Rows() > 0) {
      name = seen.Str(0, 1);
      return seen.Int(0, 0);
    }
  }
  name = drive ? *drive : DefaultDriveName(session);
  if (!drive) {
    // A default name already taken by another file system.
    const std::string base = name;
    for (int n = 2;; ++n) {
      Result taken =
          Exec("SELECT 1 FROM drives WHERE machine_id = $1 AND name = $2",
               {Int(machine), Text(name)});
      if (!taken.Ok() || taken.Rows() == 0) break;
      name = base + " (" + std::to_string(n) + ")";
    }
  }
  Result insert = Exec(
      "INSERT INTO drives (machine_id, name, created) VALUES ($1, $2, $3) "
      "ON CONFLICT (machine_id, name) DO NOTHING",
      {Int(machine), Text(name), Text(UtcNow())});
  Result find =
      Exec("SELECT drive_id FROM drives WHERE machine_id = $1 AND name = $2",
           {Int(machine), Text(name)});
  if (!insert.Ok() || !find.Ok() || find.Rows() == 0) {
    error = Why();
    return 0;
  }
  return find.Int(0, 0);
}

HistoryStore::Added ServerStore::Add(const Session& session,
                                     const std::optional<std::string>& drive,
                                     long long& id, std::string& driveName,
                                     std::string& error) {
  const auto known = [&]() -> bool {
    Result found = Exec(
        "SELECT s.session_id, d.name FROM sessions s JOIN drives d ON "
        "d.drive_id = s.drive_id WHERE s.content_hash = $1",
        {Text(session.contentHash)});
    if (!found.Ok() || found.Rows() == 0) return false;
    id = found.Int(0, 0);
    driveName = found.Str(0, 1);
    return true;
  };
  if (known()) return Added::kAlreadyThere;
  if (!Run("BEGIN", error)) return Added::kFailed;
  const auto fail = [&] {
    if (error.empty()) error = Why();
    Rollback();
    return Added::kFailed;
  };
  const long long machine = MachineFor(session.machine, error);
  if (machine == 0) return fail();
  const long long driveId = DriveFor(session, machine, drive, driveName, error);
  if (driveId == 0) return fail();
  std::string counts;
  for (const int count : session.threadCounts) {
    counts += (counts.empty() ? "" : ",") + std::to_string(count);
  }
  const DriveCeiling& c = session.ceiling;
  Result insert = Exec(
      "INSERT INTO sessions (drive_id, started, added, machine, "
      "file_system_id, file_system, device, device_model, directory, "
      "program, word_size, thread_counts, source, content_hash, manifest, "
      "machine_id, settle, direct_write_mb_s, direct_read_mb_s, "
      "fsync_write_mb_s, sync_files_per_s, direct_io_refused, team_streams, "
      "team_direct_write_mb_s, team_direct_read_mb_s) VALUES ($1, $2, $3, "
      "$4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, "
      "$19, $20, $21, $22, $23, $24, $25) RETURNING session_id",
      {Int(driveId),
       Text(session.started),
       Text(UtcNow()),
       Text(session.machine.host),
       Text(session.machine.fileSystemId),
       Text(session.machine.fileSystem),
       Text(session.machine.device),
       Text(session.machine.deviceModel),
       Text(session.directory),
       Text(session.program),
       Int(session.wordSize),
       Text(counts),
       Text(session.source),
       Text(session.contentHash),
       Text(session.manifest),
       Int(machine),
       Bool(session.settle),
       Real(c.directWriteMbS),
       Real(c.directReadMbS),
       Real(c.fsyncWriteMbS),
       Real(c.syncFilesPerS),
       c.directIoRefused.empty() ? Param() : Text(c.directIoRefused),
       Int(c.teamStreams),
       Real(c.teamDirectWriteMbS),
       Real(c.teamDirectReadMbS)});
  if (!insert.Ok()) {
    // Another writer added the same input first: that is the answer.
    if (insert.State() == "23505") {
      Rollback();
      if (known()) return Added::kAlreadyThere;
    }
    return fail();
  }
  id = insert.Int(0, 0);
  for (const SessionRun& r : session.runs) {
    Result run = Exec(
        "INSERT INTO runs (session_id, number, threads, disturbed, clients, "
        "role, round) VALUES ($1, $2, $3, $4, $5, $6, $7) RETURNING run_id",
        {Int(id), Int(r.number), Int(r.threads), Bool(r.disturbed),
         Int(r.clients), Text(r.role), Int(r.round)});
    if (!run.Ok()) return fail();
    std::vector<Param> names, values, units;
    for (const SessionFigure& f : r.figures) {
      names.push_back(Text(f.figure));
      values.push_back(Real(f.value));
      units.push_back(Text(f.unit));
    }
    Result figures = Exec(
        "INSERT INTO figures (run_id, figure, value, unit) SELECT $1, * FROM "
        "unnest($2::text[], $3::float8[], $4::text[])",
        {Int(run.Int(0, 0)), ArrayOf(names), ArrayOf(values), ArrayOf(units)});
    if (!figures.Ok()) return fail();
  }
  std::vector<std::vector<Param>> columns(9);
  for (const SessionFigureSummary& f : Summarise(session.runs)) {
    const Param row[] = {Text(f.role),   Int(f.clients), Int(f.threads),
                         Text(f.figure), Text(f.unit),   Int(f.runs),
                         Real(f.median), Real(f.low),    Real(f.high)};
    for (std::size_t i = 0; i < columns.size(); ++i) {
      columns[i].push_back(row[i]);
    }
  }
  std::vector<Param> params = {Int(id)};
  for (const std::vector<Param>& column : columns) {
    params.push_back(ArrayOf(column));
  }
  Result summaries = Exec(
      "INSERT INTO session_summaries (session_id, role, clients, threads, "
      "figure, unit, runs, median, ci_low, ci_high) SELECT $1, * FROM "
      "unnest($2::text[], $3::int[], $4::int[], $5::text[], $6::text[], "
      "$7::int[], $8::float8[], $9::float8[], $10::float8[])",
      params);
  if (!summaries.Ok()) return fail();
  if (!Run("COMMIT", error)) return fail();
  return Added::kAdded;
}

std::vector<DriveSummary> ServerStore::Drives(std::string& error) {
  std::vector<DriveSummary> drives;
  Result query = Exec(
      "SELECT d.drive_id, d.name, coalesce(m.host, ''), count(s.session_id), "
      "coalesce(min(s.started), ''), coalesce(max(s.started), '') FROM "
      "drives d LEFT JOIN machines m ON m.machine_id = d.machine_id LEFT "
      "JOIN sessions s ON s.drive_id = d.drive_id GROUP BY d.drive_id, "
      "d.name, m.host ORDER BY d.name, m.host",
      {});
  if (!query.Ok()) {
    error = Why();
    return drives;
  }
  for (int r = 0; r < query.Rows(); ++r) {
    drives.push_back({query.Int(r, 0), query.Str(r, 1), query.Str(r, 2),
                      static_cast<int>(query.Int(r, 3)), query.Str(r, 4),
                      query.Str(r, 5)});
  }
  return drives;
}

std::vector<StoredSession> ServerStore::Sessions(
    const std::optional<long long>& drive, const std::string& since,
    bool withFigures, std::string& error) {
  std::vector<StoredSession> sessions;
  const Param driveParam = drive ? Int(*drive) : Param();
  Result query = Exec(
      "SELECT s.session_id, s.drive_id, d.name, s.started, "
      "coalesce(s.program, ''), s.thread_counts, (SELECT count(*) FROM runs "
      "r WHERE r.session_id = s.session_id), s.source, coalesce(s.machine, "
      "''), coalesce(s.file_system, ''), coalesce(s.device, ''), "
      "coalesce(s.device_model, ''), s.settle, s.direct_write_mb_s, "
      "s.direct_read_mb_s, s.fsync_write_mb_s, s.sync_files_per_s, "
      "coalesce(s.direct_io_refused, ''), s.team_streams, "
      "s.team_direct_write_mb_s, s.team_direct_read_mb_s FROM sessions s "
      "JOIN drives d ON d.drive_id = s.drive_id WHERE ($1::bigint IS NULL OR "
      "s.drive_id = $1::bigint) AND s.started >= $2 ORDER BY s.started, "
      "s.session_id",
      {driveParam, Text(since)});
  if (!query.Ok()) {
    error = Why();
    return sessions;
  }
  std::map<long long, std::size_t> byId;
  for (int r = 0; r < query.Rows(); ++r) {
    StoredSession s;
    SessionSummary& m = s.summary;
    m.id = query.Int(r, 0);
    m.driveId = query.Int(r, 1);
    m.drive = query.Str(r, 2);
    m.started = query.Str(r, 3);
    m.program = query.Str(r, 4);
    m.threadCounts = query.Str(r, 5);
    m.runs = static_cast<int>(query.Int(r, 6));
    m.source = query.Str(r, 7);
    m.machine = query.Str(r, 8);
    m.fileSystem =
        FileSystemText(query.Str(r, 9), query.Str(r, 10), query.Str(r, 11));
    m.settle = query.Flag(r, 12);
    DriveCeiling& c = s.ceiling;
    c.directWriteMbS = query.OptionalReal(r, 13);
    c.directReadMbS = query.OptionalReal(r, 14);
    c.fsyncWriteMbS = query.OptionalReal(r, 15);
    c.syncFilesPerS = query.OptionalReal(r, 16);
    c.directIoRefused = query.Str(r, 17);
    c.teamStreams = query.OptionalInt(r, 18);
    c.teamDirectWriteMbS = query.OptionalReal(r, 19);
    c.teamDirectReadMbS = query.OptionalReal(r, 20);
    byId[m.id] = sessions.size();
    sessions.push_back(std::move(s));
  }
  if (sessions.empty() || !withFigures) return sessions;
  Result figures = Exec(
      "SELECT f.session_id, f.role, f.clients, f.threads, f.figure, f.unit, "
      "f.runs, f.median, f.ci_low, f.ci_high FROM session_summaries f JOIN "
      "sessions s ON s.session_id = f.session_id WHERE ($1::bigint IS NULL "
      "OR s.drive_id = $1::bigint) AND s.started >= $2 ORDER BY "
      "f.session_id, f.role, f.clients, f.threads, f.figure",
      {driveParam, Text(since)});
  if (!figures.Ok()) {
    error = Why();
    return {};
  }
  for (int r = 0; r < figures.Rows(); ++r) {
    const auto found = byId.find(figures.Int(r, 0));
    if (found == byId.end()) continue;
    SessionFigureSummary f;
    f.role = figures.Str(r, 1);
    f.clients = figures.OptionalInt(r, 2);
    f.threads = figures.OptionalInt(r, 3);
    f.figure = figures.Str(r, 4);
    f.unit = figures.Str(r, 5);
    f.runs = static_cast<int>(figures.Int(r, 6));
    f.median = figures.Real(r, 7);
    f.low = figures.OptionalReal(r, 8);
    f.high = figures.OptionalReal(r, 9);
    sessions[found->second].figures.push_back(std::move(f));
  }
  return sessions;
}

std::optional<Session> ServerStore::Load(long long id, std::string& error) {
  Result query = Exec(
      "SELECT s.started, s.machine, m.machine_key, s.file_system_id, "
      "s.file_system, s.device, s.device_model, s.directory, s.program, "
      "s.word_size, s.thread_counts, s.settle, s.source, s.content_hash, "
      "s.manifest, s.direct_write_mb_s, s.direct_read_mb_s, "
      "s.fsync_write_mb_s, s.sync_files_per_s, coalesce(s.direct_io_refused, "
      "''), s.team_streams, s.team_direct_write_mb_s, "
      "s.team_direct_read_mb_s FROM sessions s LEFT JOIN machines m ON "
      "m.machine_id = s.machine_id WHERE s.session_id = $1",
      {Int(id)});
  if (!query.Ok()) {
    error = Why();
    return std::nullopt;
  }
  if (query.Rows() == 0) return std::nullopt;
  Session session;
  session.started = query.Str(0, 0);
  session.machine.host = query.OptionalStr(0, 1);
  const std::string key = query.Str(0, 2);
  if (!key.empty() && key.rfind("host:", 0) != 0) {
    session.machine.machineId = key;
  }
  session.machine.fileSystemId = query.OptionalStr(0, 3);
  session.machine.fileSystem = query.OptionalStr(0, 4);
  session.machine.device = query.OptionalStr(0, 5);
  session.machine.deviceModel = query.OptionalStr(0, 6);
  session.directory = query.Str(0, 7);
  session.program = query.Str(0, 8);
  session.wordSize = query.OptionalInt(0, 9);
  const std::string counts = query.Str(0, 10);
  for (std::size_t at = 0; at < counts.size();) {
    std::size_t end = counts.find(',', at);
    if (end == std::string::npos) end = counts.size();
    session.threadCounts.push_back(
        std::atoi(counts.substr(at, end - at).c_str()));
    at = end + 1;
  }
  session.settle = query.Flag(0, 11);
  session.source = query.Str(0, 12);
  session.contentHash = query.Str(0, 13);
  session.manifest = query.OptionalStr(0, 14);
  DriveCeiling& c = session.ceiling;
  c.directWriteMbS = query.OptionalReal(0, 15);
  c.directReadMbS = query.OptionalReal(0, 16);
  c.fsyncWriteMbS = query.OptionalReal(0, 17);
  c.syncFilesPerS = query.OptionalReal(0, 18);
  c.directIoRefused = query.Str(0, 19);
  c.teamStreams = query.OptionalInt(0, 20);
  c.teamDirectWriteMbS = query.OptionalReal(0, 21);
  c.teamDirectReadMbS = query.OptionalReal(0, 22);
  Result runs = Exec(
      "SELECT r.run_id, r.number, r.threads, r.disturbed, r.clients, r.role, "
      "f.figure, f.value, f.unit, r.round FROM runs r LEFT JOIN figures f ON "
      "f.run_id = r.run_id WHERE r.session_id = $1 ORDER BY r.run_id, "
      "f.figure",
      {Int(id)});
  if (!runs.Ok()) {
    error = Why();
    return std::nullopt;
  }
  long long lastRun = -1;
  for (int r = 0; r < runs.Rows(); ++r) {
    if (runs.Int(r, 0) != lastRun) {
      lastRun = runs.Int(r, 0);
      SessionRun run;
      run.number = static_cast<int>(runs.Int(r, 1));
      run.threads = runs.OptionalInt(r, 2);
      run.disturbed = runs.Flag(r, 3);
      run.clients = runs.OptionalInt(r, 4);
      run.role = runs.Str(r, 5);
      run.round = static_cast<int>(runs.Int(r, 9));
      session.runs.push_back(run);
    }
    if (!runs.Null(r, 6)) {
      session.runs.back().figures.push_back(
          {runs.Str(r, 6), runs.Real(r, 7), runs.Str(r, 8)});
    }
  }
  return session;
}

std::vector<std::pair<long long, std::string>> ServerStore::Fingerprints(
    std::string& error) {
  std::vector<std::pair<long long, std::string>> all;
  Result query = Exec(
      "SELECT session_id, content_hash FROM sessions ORDER BY started, "
      "session_id",
      {});
  if (!query.Ok()) {
    error = Why();
    return all;
  }
  for (int r = 0; r < query.Rows(); ++r) {
    all.emplace_back(query.Int(r, 0), query.Str(r, 1));
  }
  return all;
}

bool ServerStore::Accept(long long drive, long long since, std::string& error) {
  Result insert = Exec(
      "INSERT INTO accepted (drive_id, since_session, accepted) VALUES ($1, "
      "$2, $3)",
      {Int(drive), Int(since), Text(UtcNow())});
  if (insert.Ok()) return true;
  error = Why();
  return false;
}

std::optional<long long> ServerStore::Accepted(long long drive,
                                               std::string& error) {
  Result query = Exec(
      "SELECT since_session FROM accepted WHERE drive_id = $1 ORDER BY "
      "accepted_id DESC LIMIT 1",
      {Int(drive)});
  if (!query.Ok()) {
    error = Why();
    return std::nullopt;
  }
  if (query.Rows() == 0) return std::nullopt;
  return query.Int(0, 0);
}

bool ServerStore::Remove(const std::vector<long long>& sessions,
                         std::vector<long long>& missing, std::string& error) {
  if (!Run("BEGIN", error)) return false;
  const auto fail = [&] {
    if (error.empty()) error = Why();
    Rollback();
    return false;
  };
  for (const long long id : sessions) {
    Result exists =
        Exec("SELECT 1 FROM sessions WHERE session_id = $1", {Int(id)});
    if (!exists.Ok()) return fail();
    if (exists.Rows() == 0) missing.push_back(id);
  }
  if (!missing.empty()) return fail();
  for (const char* sql :
       {"DELETE FROM figures WHERE run_id IN (SELECT run_id FROM runs WHERE "
        "session_id = $1)",
        "DELETE FROM runs WHERE session_id = $1",
        "DELETE FROM session_summaries WHERE session_id = $1",
        "DELETE FROM sessions WHERE session_id = $1"}) {
    for (const long long id : sessions) {
      if (!Exec(sql, {Int(id)}).Ok()) return fail();
    }
  }
  return Run("COMMIT", error) || fail();
}

bool ServerStore::Record(const std::vector<CheckRecord>& checks,
                         std::string& error) {
  if (!Run("BEGIN", error)) return false;
  const std::string now = UtcNow();
  for (const CheckRecord& c : checks) {
    Result insert = Exec(
        "INSERT INTO checks (checked, drive_id, figure, role, clients, "
        "threads, finding, ratio, ratio_low, ratio_high, since_session, "
        "since_started, message) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, "
        "$10, $11, $12, $13)",
        {Text(now), Int(c.driveId), Text(c.figure), Text(c.role),
         Int(c.clients), Int(c.threads), Text(c.finding), Real(c.ratio),
         Real(c.low), Real(c.high),
         c.sinceSession ? Int(*c.sinceSession) : Param(), Text(c.sinceStarted),
         Text(c.message)});
    if (!insert.Ok()) {
      error = Why();
      Rollback();
      return false;
    }
  }
  return Run("COMMIT", error);
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
  std::string password;
  if (ParseConnection(location, password) == ConnectionParse::kMalformed) {
    error = kMalformed;
    return {};
  }
  PGconn* conn = Connect(location, error);
  if (conn == nullptr) {
    error = where + ": " + error;
    return nullptr;
  }
  auto store = std::make_unique<ServerStore>(conn, location);
  const std::optional<int> version = store->Version(error);
  if (!version) {
    error = where + ": " + error;
    return nullptr;
  }
  if (*version != kSchemaVersion) {
    error = where + ": " +
            (*version == 0
                 ? std::string("holds no drives history yet")
                 : "a history of schema version " + std::to_string(*version) +
                       (*version > kSchemaVersion
                            ? " (made by a newer drives-report); left as it "
                              "is"
                            : "")) +
            (*version > kSchemaVersion
                 ? ""
                 : "; make it ready with: drives-report history init "
                   "--history '" +
                       where + "'");
    return nullptr;
  }
  return store;
}

bool InitServer(const std::string& location, std::string& said,
                std::string& error) {
  const std::string where = MaskPassword(location);
  std::string password;
  if (ParseConnection(location, password) == ConnectionParse::kMalformed) {
    error = kMalformed;
    return {};
  }
  PGconn* conn = Connect(location, error);
  if (conn == nullptr) {
    error = where + ": " + error;
    return false;
  }
  ServerStore store(conn, location);
  const std::optional<int> version = store.Version(error);
  if (!version) {
    error = where + ": " + error;
    return false;
  }
  if (*version > kSchemaVersion) {
    error = where + ": a history of schema version " +
            std::to_string(*version) +
            " (made by a newer drives-report); left as it is";
    return false;
  }
  if (*version == kSchemaVersion) {
    said = where + ": the history is there already (schema version " +
           std::to_string(kSchemaVersion) + ").\n" + kGrants;
    return true;
  }
  // Versions 1 and 2 were never kept on a server: only a new one is made.
  if (*version != 0) {
    error = where + ": schema version " + std::to_string(*version) +
            " is none this drives-report knows; left as it is";
    return false;
  }
  if (!store.Run("BEGIN", error) || !store.Run(kSchema, error) ||
      !store.Run(kHistoryViews, error) || !store.Run("COMMIT", error)) {
    PQclear(PQexec(conn, "ROLLBACK"));
    error = where + ": cannot make the history: " + error;
    return false;
  }
  said = where + ": the history is made (schema version " +
         std::to_string(kSchemaVersion) + ").\n" + kGrants;
  return true;
}
