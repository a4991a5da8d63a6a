// The history: every session kept per drive, in a SQLite file or on a
// PostgreSQL server, with the same tables and the same commands. Each
// session is written in one transaction, so that a process killed in the
// middle leaves it whole or absent; several writers may record at the
// same moment. What is not such a history, is damaged, or comes from a
// newer version is refused and never modified.
#ifndef DRIVES_HISTORY_HISTORY_STORE_H_
#define DRIVES_HISTORY_HISTORY_STORE_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/history_records.h"
#include "history/session.h"

class HistoryStore {
 public:
  enum class Mode { kRead, kWrite };

  // Opens the history at `location`: a SQLite file (created in kWrite
  // where missing) or a PostgreSQL connection string; none with `error`
  // set when it cannot be. kRead of a file that does not exist gives none
  // with `error` empty.
  static std::unique_ptr<HistoryStore> Open(const std::string& location,
                                            Mode mode, std::string& error);
  virtual ~HistoryStore() = default;

  enum class Added { kAdded, kAlreadyThere, kFailed };
  // Adds `session` to the drive named `drive` on the session's machine, or
  // without a name to the drive its file system was seen on before (else
  // a new one); sets `id` to the session's (the earlier one's when already
  // there).
  virtual Added Add(const Session& session,
                    const std::optional<std::string>& drive, long long& id,
                    std::string& driveName, std::string& error) = 0;

  virtual std::vector<DriveSummary> Drives(std::string& error) = 0;
  // The sessions of the drive `drive` (every drive when none) started at
  // or after `since` (all when empty), oldest first, with their figures
  // summarised where `figures`.
  virtual std::vector<StoredSession> Sessions(
      const std::optional<long long>& drive, const std::string& since,
      bool figures, std::string& error) = 0;
  // A session whole, as it was added; none with `error` set where it
  // cannot be read, or with `error` empty where there is no such session.
  virtual std::optional<Session> Load(long long session,
                                      std::string& error) = 0;
  // The sessions' ids and content fingerprints, oldest first: what a copy
  // to another history needs to tell what is there already.
  virtual std::vector<std::pair<long long, std::string>> Fingerprints(
      std::string& error) = 0;

  // Marks the change of `drive` from session `since` on as known: the
  // check judges from there on.
  virtual bool Accept(long long drive, long long since, std::string& error) = 0;
  // The latest session a change was accepted from, for `drive`.
  virtual std::optional<long long> Accepted(long long drive,
                                            std::string& error) = 0;
  // Deletes the sessions, every one of them or none; `missing` names those
  // that are not there (then nothing is deleted).
  virtual bool Remove(const std::vector<long long>& sessions,
                      std::vector<long long>& missing, std::string& error) = 0;
  // Keeps the findings of a check, in one transaction.
  virtual bool Record(const std::vector<CheckRecord>& checks,
                      std::string& error) = 0;

  // The history as messages name it: its path, or its connection string
  // with any password masked.
  virtual std::string Where() const = 0;
};

// Where the history is kept: `asked` (--history), else $DRIVES_HISTORY,
// else the platform's place for a user's data.
std::string HistoryPath(const std::string& asked);
// The platform's place: $XDG_DATA_HOME/drives/history.sqlite (else
// ~/.local/share/...), %LOCALAPPDATA%\drives\history.sqlite on Windows.
std::optional<std::string> DefaultHistoryPath();

#endif  // DRIVES_HISTORY_HISTORY_STORE_H_
