// The history's ten operations (history_store.h), written once over either
// database (database.h): every query and every mapping of a row.
#ifndef DRIVES_HISTORY_SQL_HISTORY_H_
#define DRIVES_HISTORY_SQL_HISTORY_H_

#include <memory>
#include <string>
#include <vector>

#include "history/database.h"
#include "history/history_store.h"

class SqlHistory : public HistoryStore {
 public:
  // `where` names the history in messages; an `empty` one holds no tables
  // yet (a file just made, opened to read).
  SqlHistory(std::unique_ptr<Database> db, std::string where, bool empty);

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

 private:
  long long MachineFor(const MachineDescription& machine, std::string& error);
  long long DriveFor(const Session& session, long long machine,
                     const std::optional<std::string>& drive, std::string& name,
                     std::string& error);
  bool Known(const Session& session, long long& id, std::string& driveName);

  std::unique_ptr<Database> db_;
  std::string where_;
  bool empty_;
};

#endif  // DRIVES_HISTORY_SQL_HISTORY_H_
