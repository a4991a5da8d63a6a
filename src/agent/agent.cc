#include "agent/agent.h"

#include <mpi.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "agent/client_process.h"
#include "agent/exchange.h"
#include "files/whole_file.h"
#include "runs/client_results.h"
#include "runs/json_fields.h"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

constexpr char kUsage[] =
    "usage: drives-agent --program PATH --dir DIR --threads N --timeout S "
    "--handoff FOLDER\n"
    "(--threads 0 leaves OMP_NUM_THREADS as it is)\n"
    "A client of drives-report run --clients, started by mpirun.\n";
constexpr int kClockPings = 5;
constexpr int kPingTag = 3;
constexpr int kPongTag = 4;
constexpr char kErrorName[] = "benchmark.stderr.txt";
constexpr const char* kResultsNames[] = {"results_drives_64.txt",
                                         "results_drives_32.txt"};

struct Options {
  std::string program;
  std::string dir;
  int threads = 1;
  double timeout = 1800;
  std::string handoff;
};

bool Parse(int argc, char** argv, Options& o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--program") {
      o.program = value;
    } else if (name == "--dir") {
      o.dir = value;
    } else if (name == "--threads") {
      o.threads = std::atoi(value.c_str());
    } else if (name == "--timeout") {
      o.timeout = std::atof(value.c_str());
    } else if (name == "--handoff") {
      o.handoff = value;
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && !o.program.empty() && !o.dir.empty() &&
         !o.handoff.empty() && o.threads >= 0 && o.timeout > 0;
}

// The first client's clock minus this one's, from the round trip with the
// least delay (the first client's offset is 0).
double ClockOffset(int rank, int size) {
  double offset = 0;
  if (rank == 0) {
    for (int r = 1; r < size; ++r) {
      for (int i = 0; i < kClockPings; ++i) {
        double sent = 0;
        MPI_Recv(&sent, 1, MPI_DOUBLE, r, kPingTag, MPI_COMM_WORLD,
                 MPI_STATUS_IGNORE);
        double now = WallClockSeconds();
        MPI_Send(&now, 1, MPI_DOUBLE, r, kPongTag, MPI_COMM_WORLD);
      }
    }
    return 0;
  }
  double best = std::numeric_limits<double>::infinity();
  for (int i = 0; i < kClockPings; ++i) {
    double sent = WallClockSeconds();
    double theirs = 0;
    MPI_Send(&sent, 1, MPI_DOUBLE, 0, kPingTag, MPI_COMM_WORLD);
    MPI_Recv(&theirs, 1, MPI_DOUBLE, 0, kPongTag, MPI_COMM_WORLD,
             MPI_STATUS_IGNORE);
    const double back = WallClockSeconds();
    if (back - sent < best) {
      best = back - sent;
      offset = theirs - (sent + back) / 2;
    }
  }
  return offset;
}

// The host's name as a folder name: no separators.
std::string FolderSafe(std::string name) {
  for (char& c : name) {
    if (c == '/' || c == '\\' || c == ' ' || c == ':') c = '_';
  }
  return name;
}

double OwnCpuSeconds() {
  rusage self{};
  getrusage(RUSAGE_SELF, &self);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(self.ru_utime) + seconds(self.ru_stime);
}

// What one client sends to the first: its result and its files' text.
Json RunClient(const Options& o, int rank, const std::string& host,
               double offset) {
  const int client = rank + 1;
  const fs::path folder =
      fs::path(o.dir) / (ClientName(client) + "-" + FolderSafe(host));
  std::error_code code;
  fs::create_directories(folder, code);
  std::string reason;
  if (code) {
    reason = "cannot make its folder " + folder.string() + " (" +
             code.message() + ")";
  }
  for (const char* name : kResultsNames) fs::remove(folder / name, code);
  // Every client starts together, whether or not it can run.
  MPI_Barrier(MPI_COMM_WORLD);
  ClientRun run;
  double running = 0;  // the agent's CPU time while its benchmark ran
  if (reason.empty()) {
    const double before = OwnCpuSeconds();
    run = RunBenchmark(fs::absolute(o.program).string(), folder.string(),
                       o.threads, o.timeout, (folder / kErrorName).string());
    running = OwnCpuSeconds() - before;
  } else {
    run.reason = reason;
    run.start = WallClockSeconds();
  }
  std::string results;
  for (const char* name : kResultsNames) {
    if (fs::is_regular_file(folder / name, code))
      results = ReadWholeFile(folder / name);
  }
  Json json = {
      {"client", client},
      {"host", host},
      {"folder", folder.string()},
      {"status", RunStatusName(run.status)},
      {"exit_status", run.exitStatus >= 0 ? Json(run.exitStatus) : Json()},
      {"signal", run.signal > 0 ? Json(run.signal) : Json()},
      {"reason", run.reason},
      {"start", run.start + offset},
      {"clock_offset_s", offset},
      {"wall_s", run.wallSeconds},
      {"agent_cpu_s", OwnCpuSeconds()},
      {"agent_cpu_running_s", running},
      {"line_times", run.lineTimes},
      {"console", run.console},
      {"stderr", ReadWholeFile(folder / kErrorName)},
      {"results", results}};
  return json;
}

// The first client writes every client's files and clients.json.
bool HandOff(const std::string& handoff, const std::vector<Json>& clients) {
  std::vector<ClientResult> results;
  std::string error;
  for (const Json& c : clients) {
    std::vector<ClientResult> one;
    if (!ClientResultsFromJson("[" + json_fields::WithJsonText(c).dump() + "]",
                               one, error) ||
        one.empty()) {
      return false;
    }
    ClientResult& r = one.front();
    const std::string base = ClientName(r.client);
    const auto keep = [&](const char* key, const std::string& suffix,
                          std::string& name) {
      const std::string text = c.value(key, "");
      if (text.empty() && suffix == ".results.txt") return true;
      name = base + suffix;
      return WriteWholeFile((fs::path(handoff) / name).string(),
                            [&](std::ostream& out) { out << text; }, error);
    };
    if (!keep("console", ".console.txt", r.consoleFile) ||
        !keep("stderr", ".stderr.txt", r.errorFile) ||
        !keep("results", ".results.txt", r.resultsFile)) {
      std::cerr << "drives-agent: " << error << '\n';
      return false;
    }
    results.push_back(std::move(r));
  }
  if (!WriteWholeFile((fs::path(handoff) / kClientResultsName).string(),
                      [&](std::ostream& out) {
                        out << json_fields::WithJsonText(
                                   ClientResultsToJson(results))
                                   .dump(1)
                            << '\n';
                      },
                      error)) {
    std::cerr << "drives-agent: " << error << '\n';
    return false;
  }
  return true;
}

}  // namespace

int RunAgent(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, o)) {
    std::cerr << kUsage;
    return 2;
  }
  EndBenchmarkOnSignals();
  MPI_Init(&argc, &argv);
  int rank = 0;
  int size = 1;
  MPI_Comm_rank(MPI_COMM_WORLD, &rank);
  MPI_Comm_size(MPI_COMM_WORLD, &size);
  char name[MPI_MAX_PROCESSOR_NAME] = "";
  int length = 0;
  MPI_Get_processor_name(name, &length);
  const double offset = ClockOffset(rank, size);
  Json mine = RunClient(o, rank, std::string(name, length), offset);
  int status = 0;
  if (rank != 0) {
    if (!SendText(json_fields::WithJsonText(mine).dump(), 0)) status = 1;
  } else {
    std::vector<Json> clients = {mine};
    for (int r = 1; r < size; ++r) {
      std::string text;
      Json json = ReceiveText(r, text) && json_fields::NestingWithin(
                                              text, json_fields::kMostNesting)
                      ? Json::parse(text, nullptr, false)
                      : Json();
      if (!json.is_object()) {
        status = 1;
        continue;
      }
      clients.push_back(std::move(json));
    }
    // Its own time includes the wait for the others.
    clients.front()["agent_cpu_s"] = OwnCpuSeconds();
    if (status == 0 && !HandOff(o.handoff, clients)) status = 1;
  }
  MPI_Finalize();
  return status;
}
