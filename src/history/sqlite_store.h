// The history in one SQLite file (history_store.h).
#ifndef DRIVES_HISTORY_SQLITE_STORE_H_
#define DRIVES_HISTORY_SQLITE_STORE_H_

#include <memory>
#include <string>
#include <vector>

#include "history/history_store.h"

struct sqlite3;

class SqliteStore : public HistoryStore {
 public:
  static std::unique_ptr<HistoryStore> Open(const std::string& path, Mode mode,
                                            std::string& error);
  ~SqliteStore() override;
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

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
  std::string Where() const override { return path_; }

 private:
  SqliteStore(sqlite3* db, std::string path);
  bool Prepare(Mode mode, std::string& error);
  long long MachineFor(const MachineDescription& machine, std::string& error);
  long long DriveFor(const Session& session, long long machine,
                     const std::optional<std::string>& drive, std::string& name,
                     std::string& error);

  sqlite3* db_;
  std::string path_;
  // A file with no tables yet, opened to read: an empty history.
  bool empty_ = false;
  bool older_ = false;  // of an older schema, met by a reader
};

#endif  // DRIVES_HISTORY_SQLITE_STORE_H_
