// One history copied into another, session by session, each once (by its
// content fingerprint): a machine's file pushed to the fleet's server, or a
// server's history pulled into a file. Each session keeps its drive's name.
#ifndef DRIVES_HISTORY_HISTORY_COPY_H_
#define DRIVES_HISTORY_HISTORY_COPY_H_

#include <string>

#include "history/history_store.h"

struct CopyCount {
  int added = 0;
  int alreadyThere = 0;
};

// False with `error` set at the first session that could not be copied;
// the sessions before it are kept, each whole.
bool CopyHistory(HistoryStore& from, HistoryStore& to, CopyCount& count,
                 std::string& error);

#endif  // DRIVES_HISTORY_HISTORY_COPY_H_
