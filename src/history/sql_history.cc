#include "history/sql_history.h"

#include <charconv>
#include <map>

#include "history/run_rows.h"
#include "history/schema.h"
#include "history/store_text.h"
#include "runs/manifest.h"

namespace {

// The ceiling's columns, in the order every query below names them.
constexpr char kCeilingColumns[] =
    "s.direct_write_mb_s, s.direct_read_mb_s, s.fsync_write_mb_s, "
    "s.sync_files_per_s, coalesce(s.direct_io_refused, ''), s.team_streams, "
    "s.team_direct_write_mb_s, s.team_direct_read_mb_s";

// The ceiling's columns from `first` on.
DriveCeiling CeilingAt(const SqlRows& row, int first) {
  DriveCeiling c;
  c.directWriteMbS = row.OptionalReal(first);
  c.directReadMbS = row.OptionalReal(first + 1);
  c.fsyncWriteMbS = row.OptionalReal(first + 2);
  c.syncFilesPerS = row.OptionalReal(first + 3);
  c.directIoRefused = row.Text(first + 4);
  c.teamStreams = row.OptionalInt(first + 5);
  c.teamDirectWriteMbS = row.OptionalReal(first + 6);
  c.teamDirectReadMbS = row.OptionalReal(first + 7);
  return c;
}

std::string CountsText(const std::vector<int>& counts) {
  std::string text;
  for (const int count : counts) {
    text += (text.empty() ? "" : ",") + std::to_string(count);
  }
  return text;
}

// "1,2,4" as numbers; false where a part is none (a row from elsewhere).
bool ParseCounts(const std::string& text, std::vector<int>& counts) {
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find(',', at);
    if (end == std::string::npos) end = text.size();
    int count = 0;
    const auto [stop, why] =
        std::from_chars(text.data() + at, text.data() + end, count);
    if (why != std::errc() || stop != text.data() + end) return false;
    counts.push_back(count);
    at = end + 1;
  }
  return true;
}

}  // namespace

SqlHistory::SqlHistory(std::unique_ptr<Database> db, std::string where,
                       bool empty)
    : db_(std::move(db)), where_(std::move(where)), empty_(empty) {}

long long SqlHistory::MachineFor(const MachineDescription& machine,
                                 std::string& error) {
  const std::string key = MachineKey(machine);
  // Another writer may add the same machine at the same moment.
  if (!db_->Execute("INSERT INTO machines (machine_key, host, created) VALUES "
                    "(?1, ?2, ?3) ON CONFLICT (machine_key) DO NOTHING",
                    {SqlText(key), SqlText(machine.host), SqlText(UtcNow())},
                    error)) {
    return 0;
  }
  const std::unique_ptr<SqlRows> find =
      db_->Query("SELECT machine_id FROM machines WHERE machine_key = ?1",
                 {SqlText(key)}, error);
  if (find && find->Next()) return find->Integer(0);
  if (error.empty()) error = db_->Why();
  return 0;
}

long long SqlHistory::DriveFor(const Session& session, long long machine,
                               const std::optional<std::string>& drive,
                               std::string& name, std::string& error) {
  if (!drive && session.machine.fileSystemId) {
    // The drive this file system was recorded under before.
    const std::unique_ptr<SqlRows> seen = db_->Query(
        "SELECT s.drive_id, d.name FROM sessions s JOIN drives d ON "
        "d.drive_id = s.drive_id WHERE d.machine_id = ?1 AND "
        "s.file_system_id = ?2 ORDER BY s.session_id DESC LIMIT 1",
        {SqlInteger(machine), SqlText(session.machine.fileSystemId)}, error);
    if (!seen) return 0;
    if (seen->Next()) {
      name = seen->Text(1);
      return seen->Integer(0);
    }
  }
  name = drive ? *drive : DefaultDriveName(session);
  if (!drive) {
    // A default name already taken by another file system.
    const std::string base = name;
    for (int n = 2;; ++n) {
      const std::unique_ptr<SqlRows> taken =
          db_->Query("SELECT 1 FROM drives WHERE machine_id = ?1 AND name = ?2",
                     {SqlInteger(machine), SqlText(name)}, error);
      if (!taken) return 0;
      if (!taken->Next()) break;
      name = base + " (" + std::to_string(n) + ")";
    }
  }
  if (!db_->Execute("INSERT INTO drives (machine_id, name, created) VALUES "
                    "(?1, ?2, ?3) ON CONFLICT (machine_id, name) DO NOTHING",
                    {SqlInteger(machine), SqlText(name), SqlText(UtcNow())},
                    error)) {
    return 0;
  }
  const std::unique_ptr<SqlRows> find = db_->Query(
      "SELECT drive_id FROM drives WHERE machine_id = ?1 AND name = ?2",
      {SqlInteger(machine), SqlText(name)}, error);
  if (find && find->Next()) return find->Integer(0);
  if (error.empty()) error = db_->Why();
  return 0;
}

bool SqlHistory::Known(const Session& session, long long& id,
                       std::string& driveName) {
  std::string ignored;
  const std::unique_ptr<SqlRows> found = db_->Query(
      "SELECT s.session_id, d.name FROM sessions s JOIN drives d ON "
      "d.drive_id = s.drive_id WHERE s.content_hash = ?1",
      {SqlText(session.contentHash)}, ignored);
  if (!found || !found->Next()) return false;
  id = found->Integer(0);
  driveName = found->Text(1);
  return true;
}

HistoryStore::Added SqlHistory::Add(const Session& session,
                                    const std::optional<std::string>& drive,
                                    long long& id, std::string& driveName,
                                    std::string& error) {
  if (!db_->Begin(error)) return Added::kFailed;
  const auto fail = [&] {
    if (error.empty()) error = db_->Why();
    db_->Rollback();
    return Added::kFailed;
  };
  if (Known(session, id, driveName)) {
    db_->Rollback();
    return Added::kAlreadyThere;
  }
  const long long machine = MachineFor(session.machine, error);
  if (machine == 0) return fail();
  const long long driveId = DriveFor(session, machine, drive, driveName, error);
  if (driveId == 0) return fail();
  const DriveCeiling& c = session.ceiling;
  id = db_->Insert(
      "INSERT INTO sessions (drive_id, started, added, machine, "
      "file_system_id, file_system, device, device_model, directory, "
      "program, word_size, thread_counts, source, content_hash, manifest, "
      "machine_id, settle, direct_write_mb_s, direct_read_mb_s, "
      "fsync_write_mb_s, sync_files_per_s, direct_io_refused, team_streams, "
      "team_direct_write_mb_s, team_direct_read_mb_s) VALUES (?1, ?2, ?3, "
      "?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, "
      "?19, ?20, ?21, ?22, ?23, ?24, ?25) RETURNING session_id",
      {SqlInteger(driveId),
       SqlText(session.started),
       SqlText(UtcNow()),
       SqlText(session.machine.host),
       SqlText(session.machine.fileSystemId),
       SqlText(session.machine.fileSystem),
       SqlText(session.machine.device),
       SqlText(session.machine.deviceModel),
       SqlText(session.directory),
       SqlText(session.program),
       SqlInteger(session.wordSize),
       SqlText(CountsText(session.threadCounts)),
       SqlText(session.source),
       SqlText(session.contentHash),
       SqlText(session.manifest),
       SqlInteger(machine),
       SqlFlag(session.settle),
       SqlReal(c.directWriteMbS),
       SqlReal(c.directReadMbS),
       SqlReal(c.fsyncWriteMbS),
       SqlReal(c.syncFilesPerS),
       SqlText(c.directIoRefused.empty()
                   ? std::nullopt
                   : std::optional<std::string>(c.directIoRefused)),
       SqlInteger(c.teamStreams),
       SqlReal(c.teamDirectWriteMbS),
       SqlReal(c.teamDirectReadMbS)},
      error);
  if (id == 0) {
    // Another writer added the same input first (a server's transactions
    // do not wait for each other until here): that is the answer.
    if (!db_->Conflict()) return fail();
    db_->Rollback();
    return Known(session, id, driveName) ? Added::kAlreadyThere
                                         : Added::kFailed;
  }
  for (const SessionRun& r : session.runs) {
    const long long run = db_->Insert(
        "INSERT INTO runs (session_id, number, threads, disturbed, clients, "
        "role, round) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7) RETURNING run_id",
        {SqlInteger(id), SqlInteger(static_cast<long long>(r.number)),
         SqlInteger(r.threads), SqlFlag(r.disturbed), SqlInteger(r.clients),
         SqlText(r.role), SqlInteger(static_cast<long long>(r.round))},
        error);
    if (run == 0) return fail();
    std::vector<SqlValue> figures;
    for (const SessionFigure& f : r.figures) {
      figures.insert(figures.end(), {SqlInteger(run), SqlText(f.figure),
                                     SqlReal(f.value), SqlText(f.unit)});
    }
    if (!db_->InsertRows("INSERT INTO figures (run_id, figure, value, unit)", 4,
                         figures, error)) {
      return fail();
    }
  }
  if (!InsertSummaries(*db_, id, session.runs, error)) return fail();
  if (!db_->Commit(error)) return fail();
  return Added::kAdded;
}

std::vector<DriveSummary> SqlHistory::Drives(std::string& error) {
  std::vector<DriveSummary> drives;
  if (empty_) return drives;
  const std::unique_ptr<SqlRows> rows = db_->Query(
      "SELECT d.drive_id, d.name, coalesce(m.host, ''), count(s.session_id), "
      "coalesce(min(s.started), ''), coalesce(max(s.started), '') FROM "
      "drives d LEFT JOIN machines m ON m.machine_id = d.machine_id LEFT "
      "JOIN sessions s ON s.drive_id = d.drive_id GROUP BY d.drive_id, "
      "d.name, m.host ORDER BY d.name, m.host",
      {}, error);
  if (!rows) return drives;
  while (rows->Next()) {
    drives.push_back({rows->Integer(0), rows->Text(1), rows->Text(2),
                      static_cast<int>(rows->Integer(3)), rows->Text(4),
                      rows->Text(5)});
  }
  if (rows->Failed()) error = db_->Why();
  return drives;
}

std::vector<StoredSession> SqlHistory::Sessions(
    const std::optional<long long>& drive, const std::string& since,
    bool withFigures, std::string& error) {
  std::vector<StoredSession> sessions;
  if (empty_) return sessions;
  const std::vector<SqlValue> params = {SqlInteger(drive), SqlText(since)};
  const std::unique_ptr<SqlRows> rows = db_->Query(
      std::string(
          "SELECT s.session_id, s.drive_id, d.name, s.started, "
          "coalesce(s.program, ''), s.thread_counts, (SELECT count(*) FROM "
          "runs r WHERE r.session_id = s.session_id), s.source, "
          "coalesce(s.machine, ''), coalesce(s.file_system, ''), "
          "coalesce(s.device, ''), coalesce(s.device_model, ''), s.settle, ") +
          kCeilingColumns +
          " FROM sessions s JOIN drives d ON d.drive_id = s.drive_id WHERE "
          "(?1 IS NULL OR s.drive_id = ?1) AND s.started >= ?2 ORDER BY "
          "s.started, s.session_id",
      params, error);
  if (!rows) return sessions;
  std::map<long long, std::size_t> byId;
  while (rows->Next()) {
    StoredSession s;
    SessionSummary& m = s.summary;
    m.id = rows->Integer(0);
    m.driveId = rows->Integer(1);
    m.drive = rows->Text(2);
    m.started = rows->Text(3);
    m.program = rows->Text(4);
    m.threadCounts = rows->Text(5);
    m.runs = static_cast<int>(rows->Integer(6));
    m.source = rows->Text(7);
    m.machine = rows->Text(8);
    m.fileSystem =
        FileSystemText(rows->Text(9), rows->Text(10), rows->Text(11));
    m.settle = rows->Flag(12);
    s.ceiling = CeilingAt(*rows, 13);
    byId[m.id] = sessions.size();
    sessions.push_back(std::move(s));
  }
  if (rows->Failed()) {
    error = db_->Why();
    return {};
  }
  if (sessions.empty() || !withFigures) return sessions;
  const std::unique_ptr<SqlRows> figures = db_->Query(
      "SELECT f.session_id, f.role, f.clients, f.threads, f.figure, f.unit, "
      "f.runs, f.median, f.ci_low, f.ci_high FROM session_summaries f JOIN "
      "sessions s ON s.session_id = f.session_id WHERE (?1 IS NULL OR "
      "s.drive_id = ?1) AND s.started >= ?2 ORDER BY f.session_id, f.role, "
      "f.clients, f.threads, f.figure",
      params, error);
  if (!figures) return {};
  while (figures->Next()) {
    const auto found = byId.find(figures->Integer(0));
    if (found == byId.end()) continue;
    SessionFigureSummary f;
    f.role = figures->Text(1);
    f.clients = figures->OptionalInt(2);
    f.threads = figures->OptionalInt(3);
    f.figure = figures->Text(4);
    f.unit = figures->Text(5);
    f.runs = static_cast<int>(figures->Integer(6));
    f.median = figures->Real(7);
    f.low = figures->OptionalReal(8);
    f.high = figures->OptionalReal(9);
    sessions[found->second].figures.push_back(std::move(f));
  }
  if (figures->Failed()) {
    error = db_->Why();
    return {};
  }
  return sessions;
}

std::optional<Session> SqlHistory::Load(long long id, std::string& error) {
  if (empty_) return std::nullopt;
  const std::unique_ptr<SqlRows> row = db_->Query(
      std::string(
          "SELECT s.started, s.machine, m.machine_key, s.file_system_id, "
          "s.file_system, s.device, s.device_model, s.directory, s.program, "
          "s.word_size, s.thread_counts, s.settle, s.source, s.content_hash, "
          "s.manifest, ") +
          kCeilingColumns +
          " FROM sessions s LEFT JOIN machines m ON m.machine_id = "
          "s.machine_id WHERE s.session_id = ?1",
      {SqlInteger(id)}, error);
  if (!row) return std::nullopt;
  if (!row->Next()) {
    if (row->Failed()) error = db_->Why();
    return std::nullopt;
  }
  Session session;
  session.started = row->Text(0);
  session.machine.host = row->OptionalText(1);
  const std::string key = row->Text(2);
  if (!key.empty() && key.rfind("host:", 0) != 0) {
    session.machine.machineId = key;
  }
  session.machine.fileSystemId = row->OptionalText(3);
  session.machine.fileSystem = row->OptionalText(4);
  session.machine.device = row->OptionalText(5);
  session.machine.deviceModel = row->OptionalText(6);
  session.directory = row->Text(7);
  session.program = row->Text(8);
  session.wordSize = row->OptionalInt(9);
  if (!ParseCounts(row->Text(10), session.threadCounts)) {
    error = "damaged (its thread counts are not numbers)";
    return std::nullopt;
  }
  session.settle = row->Flag(11);
  session.source = row->Text(12);
  session.contentHash = row->Text(13);
  session.manifest = row->OptionalText(14);
  session.ceiling = CeilingAt(*row, 15);
  const std::unique_ptr<SqlRows> runs = db_->Query(
      std::string("SELECT ") + kRunColumns +
          " FROM runs r LEFT JOIN figures f ON f.run_id = r.run_id WHERE "
          "r.session_id = ?1 ORDER BY r.run_id, f.figure",
      {SqlInteger(id)}, error);
  if (!runs) return std::nullopt;
  long long lastRun = -1;
  while (runs->Next()) AddRunRow(*runs, 0, session.runs, lastRun);
  if (runs->Failed()) {
    error = db_->Why();
    return std::nullopt;
  }
  return session;
}

std::vector<std::pair<long long, std::string>> SqlHistory::Fingerprints(
    std::string& error) {
  std::vector<std::pair<long long, std::string>> all;
  if (empty_) return all;
  const std::unique_ptr<SqlRows> rows = db_->Query(
      "SELECT session_id, content_hash FROM sessions ORDER BY started, "
      "session_id",
      {}, error);
  if (!rows) return all;
  while (rows->Next()) all.emplace_back(rows->Integer(0), rows->Text(1));
  if (rows->Failed()) error = db_->Why();
  return all;
}

bool SqlHistory::Accept(long long drive, long long since, std::string& error) {
  return db_->Execute(
      "INSERT INTO accepted (drive_id, since_session, accepted) VALUES (?1, "
      "?2, ?3)",
      {SqlInteger(drive), SqlInteger(since), SqlText(UtcNow())}, error);
}

std::optional<long long> SqlHistory::Accepted(long long drive,
                                              std::string& error) {
  if (empty_) return std::nullopt;
  const std::unique_ptr<SqlRows> rows = db_->Query(
      "SELECT since_session FROM accepted WHERE drive_id = ?1 ORDER BY "
      "accepted_id DESC LIMIT 1",
      {SqlInteger(drive)}, error);
  if (!rows) return std::nullopt;
  if (rows->Next()) return rows->Integer(0);
  if (rows->Failed()) error = db_->Why();
  return std::nullopt;
}

bool SqlHistory::Remove(const std::vector<long long>& sessions,
                        std::vector<long long>& missing, std::string& error) {
  if (!db_->Begin(error)) return false;
  const auto fail = [&] {
    if (error.empty()) error = db_->Why();
    db_->Rollback();
    return false;
  };
  for (const long long id : sessions) {
    const std::unique_ptr<SqlRows> exists =
        db_->Query("SELECT 1 FROM sessions WHERE session_id = ?1",
                   {SqlInteger(id)}, error);
    if (!exists) return fail();
    if (!exists->Next()) missing.push_back(id);
  }
  if (!missing.empty()) return fail();
  for (const char* sql :
       {"DELETE FROM figures WHERE run_id IN (SELECT run_id FROM runs WHERE "
        "session_id = ?1)",
        "DELETE FROM runs WHERE session_id = ?1",
        "DELETE FROM session_summaries WHERE session_id = ?1",
        "DELETE FROM sessions WHERE session_id = ?1"}) {
    for (const long long id : sessions) {
      if (!db_->Execute(sql, {SqlInteger(id)}, error)) return fail();
    }
  }
  return db_->Commit(error) || fail();
}

bool SqlHistory::Record(const std::vector<CheckRecord>& checks,
                        std::string& error) {
  if (!db_->Begin(error)) return false;
  const SqlValue now = SqlText(UtcNow());
  std::vector<SqlValue> values;
  for (const CheckRecord& c : checks) {
    values.insert(values.end(),
                  {now, SqlInteger(c.driveId), SqlText(c.figure),
                   SqlText(c.role), SqlInteger(c.clients),
                   SqlInteger(c.threads), SqlText(c.finding), SqlReal(c.ratio),
                   SqlReal(c.low), SqlReal(c.high), SqlInteger(c.sinceSession),
                   SqlText(c.sinceStarted), SqlText(c.message)});
  }
  if (db_->InsertRows(
          "INSERT INTO checks (checked, drive_id, figure, role, clients, "
          "threads, finding, ratio, ratio_low, ratio_high, since_session, "
          "since_started, message)",
          13, values, error) &&
      db_->Commit(error)) {
    return true;
  }
  if (error.empty()) error = db_->Why();
  db_->Rollback();
  return false;
}
