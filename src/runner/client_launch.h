// One launch of a multi-client run: mpirun starts K client agents, placed
// by the hostfile (default: all here), which run the benchmark at once in
// the shared directory and hand their files and times to the run's folder.
#ifndef DRIVES_RUNNER_CLIENT_LAUNCH_H_
#define DRIVES_RUNNER_CLIENT_LAUNCH_H_

#include <optional>
#include <string>
#include <vector>

#include "runner/process.h"
#include "runs/client_results.h"

struct ClientLaunch {
  std::string mpirun;
  std::vector<std::string> mpirunArguments;  // --mpirun-args, split
  std::string hostfile;                      // empty: all here
  std::string agent;
  std::string program;    // the benchmark
  std::string directory;  // shared by every client
  double timeoutSeconds = 0;
};

struct LaunchOutcome {
  ChildOutcome mpirun;  // how mpirun itself ended
  // What the agents handed over; none when the launch failed, and then
  // `error` says why in one line.
  std::optional<std::vector<ClientResult>> clients;
  std::string error;
};

// Launches `clients` agents at `threads` each (none: the runtime's
// default) into `folder` (new, inside the run folder).
LaunchOutcome LaunchClients(const ClientLaunch& launch, int clients,
                            const std::optional<int>& threads,
                            const std::string& folder);

// The agent beside this program, else on the PATH.
std::optional<std::string> FindAgent();

#endif  // DRIVES_RUNNER_CLIENT_LAUNCH_H_
