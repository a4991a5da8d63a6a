// What the client agents of a multi-client run hand to the runner, in the
// run's folder beside each client's results file, transcript and standard
// error (clients.json): per client its host, how its benchmark ended,
// when it started on the clock of the first client, and when each line of
// its console appeared.
#ifndef DRIVES_RUNS_CLIENT_RESULTS_H_
#define DRIVES_RUNS_CLIENT_RESULTS_H_

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "runs/manifest.h"

constexpr char kClientResultsName[] = "clients.json";

struct ClientResult {
  int client = 0;      // 1, 2, ...: the MPI rank plus one
  std::string host;    // where it ran
  std::string folder;  // its own folder in the shared directory
  RunStatus status = RunStatus::kFailed;
  std::optional<int> exitStatus;
  std::optional<int> signal;
  std::string reason;       // why it failed, for people
  std::string resultsFile;  // names in the run's folder; empty: none
  std::string consoleFile;
  std::string errorFile;
  // The benchmark's start, in seconds since 1970 on the first client's
  // clock, and this client's clock offset from it.
  double start = 0;
  double clockOffset = 0;
  double wallSeconds = 0;
  double agentCpuSeconds = 0;  // the agent's own, for the whole run
  double agentCpuRunning = 0;  // of it, while its benchmark ran
  // Seconds after `start` at which each line of the console appeared.
  std::vector<double> lineTimes;
};

nlohmann::ordered_json ClientResultsToJson(
    const std::vector<ClientResult>& clients);
// False with `error` set when `text` is not such a list.
bool ClientResultsFromJson(const std::string& text,
                           std::vector<ClientResult>& clients,
                           std::string& error);

// "client-02".
std::string ClientName(int client);

#endif  // DRIVES_RUNS_CLIENT_RESULTS_H_
