// One client's benchmark run by the agent: started in its folder with its
// thread count and the closing Enter, its console read as it comes with the
// time of every line, waited for without spinning (the agent sleeps in the
// kernel until a line or the end comes), ended with everything it started
// after the timeout or on an interrupt.
#ifndef DRIVES_AGENT_CLIENT_PROCESS_H_
#define DRIVES_AGENT_CLIENT_PROCESS_H_

#include <string>
#include <vector>

#include "runs/manifest.h"

struct ClientRun {
  RunStatus status = RunStatus::kFailed;
  int exitStatus = -1;  // where it exited
  int signal = 0;       // where a signal ended it
  std::string reason;
  std::string console;            // its standard output, whole
  std::vector<double> lineTimes;  // seconds after its start, per line
  double start = 0;               // seconds since 1970, this clock
  double wallSeconds = 0;
};

// Seconds since 1970 by this host's clock, the clock of ClientRun::start.
double WallClockSeconds();

// From here on SIGINT, SIGTERM and SIGHUP end the running benchmark (and
// then the agent) rather than the agent alone.
void EndBenchmarkOnSignals();

// Runs `program` in `folder`; its standard error goes to `errorPath`.
ClientRun RunBenchmark(const std::string& program, const std::string& folder,
                       int threads, double timeoutSeconds,
                       const std::string& errorPath);

#endif  // DRIVES_AGENT_CLIENT_PROCESS_H_
