#include "history/history_copy.h"

#include <map>
#include <set>

bool CopyHistory(HistoryStore& from, HistoryStore& to, CopyCount& count,
                 std::string& error) {
  const std::vector<StoredSession> sessions =
      from.Sessions(std::nullopt, "", false, error);
  if (!error.empty()) {
    error = from.Where() + ": " + error;
    return false;
  }
  // What the other history has already, not loaded again.
  std::set<std::string> there;
  for (const auto& [id, hash] : to.Fingerprints(error)) there.insert(hash);
  if (!error.empty()) {
    error = to.Where() + ": " + error;
    return false;
  }
  std::map<long long, std::string> hashes;
  for (const auto& [id, hash] : from.Fingerprints(error)) hashes[id] = hash;
  for (const StoredSession& s : sessions) {
    if (there.count(hashes[s.summary.id])) {
      ++count.alreadyThere;
      continue;
    }
    std::optional<Session> session = from.Load(s.summary.id, error);
    if (!session) {
      error = from.Where() + ": session " + std::to_string(s.summary.id) +
              ": " + (error.empty() ? "gone while it was copied" : error);
      return false;
    }
    long long id = 0;
    std::string drive;
    switch (to.Add(*session, s.summary.drive, id, drive, error)) {
      case HistoryStore::Added::kAdded:
        ++count.added;
        break;
      case HistoryStore::Added::kAlreadyThere:
        ++count.alreadyThere;
        break;
      case HistoryStore::Added::kFailed:
        std::string why = to.Where();
        why += ": session " + std::to_string(s.summary.id);
        why += " of " + from.Where();
        why += " was not copied: " + error;
        error = why;
        return false;
    }
  }
  return true;
}
