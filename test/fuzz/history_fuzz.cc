// libFuzzer target: a history file someone sent. The first byte chooses how
// the rest makes it: even, the rest is the file's bytes; odd, the rest is SQL
// run on a real history (crafted schemas, versions, counts and values), as
// an attacker with sqlite3 would. Then every reading command's path: the
// drives, each session loaded, each drive judged, checked and shown in every
// format.
#include <sqlite3.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/history_access.h"
#include "conclusions/disturbance.h"
#include "conclusions/history_check.h"
#include "history/session_reader.h"
#include "history/sqlite_store.h"
#include "reporters/history_view.h"
#include "reporters/reporter.h"

namespace fs = std::filesystem;

namespace {

std::string Scratch(const char* name) {
  return (fs::temp_directory_path() /
          ("drives-history-fuzz-" + std::to_string(::getpid()) + name))
      .string();
}

// A real history of two sessions, made once.
std::string Template() {
  static const std::string made = [] {
    const std::string path = Scratch("-template.sqlite");
    fs::remove(path);
    std::string error;
    std::unique_ptr<HistoryStore> store =
        OpenSqliteHistory(path, HistoryStore::Mode::kWrite, error);
    const fs::path data = DRIVES_TEST_DATA_DIR;
    for (const char* name :
         {"one_thread_results.txt", "two_threads_results.txt"}) {
      InputLoader loader(MarkDisturbed, false);
      Session session;
      std::vector<std::string> findings;
      InputError readError;
      if (store && ReadSession((data / name).string(), loader, session,
                               findings, readError)) {
        long long id = 0;
        std::string drive;
        store->Add(session, std::string("fuzzed"), id, drive, error);
      }
    }
    store.reset();  // all of it in the file itself, not in its log
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }();
  return made;
}

int DenyOtherFiles(void*, int action, const char*, const char*, const char*,
                   const char*) {
  return action == SQLITE_ATTACH || action == SQLITE_DETACH ? SQLITE_DENY
                                                            : SQLITE_OK;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  const std::string path = Scratch(".sqlite");
  fs::remove(path + "-wal");
  fs::remove(path + "-shm");
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << ((data[0] & 1) == 0 ? rest : Template());
  }
  if ((data[0] & 1) != 0) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
      // The crafted SQL touches no other file (the fuzzer runs in a folder
      // of its own besides).
      sqlite3_set_authorizer(db, DenyOtherFiles, nullptr);
      sqlite3_exec(db, rest.c_str(), nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
  }
  std::string error;
  std::unique_ptr<HistoryStore> store =
      OpenSqliteHistory(path, HistoryStore::Mode::kRead, error);
  if (!store) return 0;
  const std::vector<DriveSummary> drives = store->Drives(error);
  for (const auto& [id, fingerprint] : store->Fingerprints(error)) {
    store->Load(id, error);
  }
  for (const DriveSummary& drive : drives) {
    std::optional<JudgedDrive> judged = Judge(*store, drive, 0.05, 1);
    if (!judged) continue;
    // The check, with each session loaded as the command loads it.
    std::map<std::size_t, Session> loaded;
    const std::optional<DriveCheck> check =
        CheckDrive(*judged, 0.05, [&](std::size_t s) -> const Session* {
          std::optional<Session> session =
              store->Load(judged->sessions[s].summary.id, error);
          if (!session) return nullptr;
          return &(loaded[s] = std::move(*session));
        });
    HistoryView view;
    view.drive = DriveText(drive);
    for (const StoredSession& s : judged->sessions) {
      view.sessions.push_back(s.summary);
    }
    view.conditions = std::move(judged->conditions);
    for (const std::string& format : ReportFormats()) {
      std::ostringstream out;
      MakeReporter(format)->WriteHistory(view, out);
      if (check) MakeReporter(format)->WriteCheck({*check}, out);
    }
  }
  return 0;
}
