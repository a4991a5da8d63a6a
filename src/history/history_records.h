// What the history hands back: drives, sessions as listed and with their
// figures summarised, and the findings a check records. Apart from the
// store, so that what shows them needs no store.
#ifndef DRIVES_HISTORY_HISTORY_RECORDS_H_
#define DRIVES_HISTORY_HISTORY_RECORDS_H_

#include <optional>
#include <string>
#include <vector>

#include "history/session.h"

struct DriveSummary {
  long long id = 0;
  std::string name;
  std::string machine;  // the host name of its machine
  int sessions = 0;
  std::string first;  // the first and the latest session's start
  std::string last;
};

// A session as listed: what it is, not its figures.
struct SessionSummary {
  long long id = 0;
  long long driveId = 0;
  std::string drive;
  std::string started;
  std::string program;
  std::string threadCounts;  // "1,2,4"
  int runs = 0;
  std::string source;
  std::string machine;
  std::string fileSystem;  // "ext4 on /dev/vda (model)"
  bool settle = false;
};

// A session with each figure summarised, for showing and checking.
struct StoredSession {
  SessionSummary summary;
  std::vector<SessionFigureSummary> figures;
  DriveCeiling ceiling;
};

// What `history check --record` keeps of a finding.
struct CheckRecord {
  long long driveId = 0;
  std::string figure;
  std::string role;
  std::optional<int> clients;
  std::optional<int> threads;
  std::string finding;  // "slower", "faster", "recovered", "too-few-sessions"
  std::optional<double> ratio;
  std::optional<double> low;
  std::optional<double> high;
  std::optional<long long> sinceSession;
  std::string sinceStarted;
  std::string message;
};

#endif  // DRIVES_HISTORY_HISTORY_RECORDS_H_
