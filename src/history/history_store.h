// The history: every session kept in one SQLite file, per drive. Each
// session is written in one transaction, so that a process killed in the
// middle leaves it whole or absent; write-ahead logging and a busy timeout
// let several runners record at the same moment. A file that is not such a
// database, or is damaged, or comes from a newer version, is refused and
// never modified.
#ifndef DRIVES_HISTORY_HISTORY_STORE_H_
#define DRIVES_HISTORY_HISTORY_STORE_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/session.h"

struct sqlite3;

// The schema version this program writes (PRAGMA user_version).
constexpr int kHistorySchemaVersion = 2;

struct DriveSummary {
  long long id = 0;
  std::string name;
  int sessions = 0;
  std::string first;  // the first and the latest session's start
  std::string last;
};

// A session as listed: what it is, not its figures.
struct SessionSummary {
  long long id = 0;
  std::string drive;
  std::string started;
  std::string program;
  std::string threadCounts;  // "1,2,4"
  int runs = 0;
  std::string source;
  std::string machine;
  std::string fileSystem;  // "ext4 on /dev/vda (model)"
};

// A session with its runs' figures, for showing and checking.
struct StoredSession {
  SessionSummary summary;
  std::vector<SessionRun> runs;
};

class HistoryStore {
 public:
  enum class Mode { kRead, kWrite };

  // Opens (kWrite: creates where missing) the history at `path`; none with
  // `error` set when it cannot be: not a SQLite database, damaged, from a
  // newer version, or a file that cannot be opened. kRead of a file that
  // does not exist gives none with `error` empty.
  static std::unique_ptr<HistoryStore> Open(const std::string& path, Mode mode,
                                            std::string& error);
  ~HistoryStore();
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  enum class Added { kAdded, kAlreadyThere, kFailed };
  // Adds `session` to the drive named `drive`, or without a name to the
  // drive its file system was seen on before (else a new one); sets `id` to
  // the session's (the earlier one's when already there).
  Added Add(const Session& session, const std::optional<std::string>& drive,
            long long& id, std::string& driveName, std::string& error);

  std::vector<DriveSummary> Drives(std::string& error);
  // The sessions of `drive` (every drive when empty) started at or after
  // `since` (all when empty), oldest first, with their runs when `figures`.
  std::vector<StoredSession> Sessions(const std::string& drive,
                                      const std::string& since, bool figures,
                                      std::string& error);

 private:
  HistoryStore(sqlite3* db, std::string path);
  bool Prepare(Mode mode, std::string& error);
  long long DriveFor(const Session& session,
                     const std::optional<std::string>& drive, std::string& name,
                     std::string& error);

  sqlite3* db_;
  std::string path_;
};

// Where the history is kept: `asked` (--history), else $DRIVES_HISTORY,
// else the platform's place for a user's data.
std::string HistoryPath(const std::string& asked);
// The platform's place: $XDG_DATA_HOME/drives/history.sqlite (else
// ~/.local/share/...), %LOCALAPPDATA%\drives\history.sqlite on Windows.
std::optional<std::string> DefaultHistoryPath();

#endif  // DRIVES_HISTORY_HISTORY_STORE_H_
