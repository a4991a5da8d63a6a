#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "agent/client_process.h"
#include "runner/secret_variables.h"

extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace {

constexpr char kEnter[] = "\n";
constexpr char kThreadsVariable[] = "OMP_NUM_THREADS=";

volatile sig_atomic_t benchmark = 0;  // its process group, while it runs
volatile sig_atomic_t ended = 0;      // the signal that ends the agent

void EndBenchmark(int signal) {
  ended = signal;
  if (benchmark > 0) kill(-benchmark, SIGKILL);
}

}  // namespace

double WallClockSeconds() {
  return std::chrono::duration<double>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void EndBenchmarkOnSignals() {
  struct sigaction action {};
  action.sa_handler = EndBenchmark;
  sigemptyset(&action.sa_mask);
  for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
}

ClientRun RunBenchmark(const std::string& program, const std::string& folder,
                       int threads, double timeoutSeconds,
                       const std::string& errorPath) {
  ClientRun run;
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (IsSecretEntry(*entry)) continue;
    if (threads == 0 || std::strncmp(*entry, kThreadsVariable,
                                     std::strlen(kThreadsVariable)) != 0) {
      environment.emplace_back(*entry);
    }
  }
  if (threads > 0) {
    environment.push_back(kThreadsVariable + std::to_string(threads));
  }
  std::vector<char*> envp;
  envp.reserve(environment.size() + 1);
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string name = program;

  int input[2] = {-1, -1};
  int output[2] = {-1, -1};
  const int error =
      open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (error < 0 || pipe2(input, O_CLOEXEC) != 0 ||
      pipe2(output, O_CLOEXEC) != 0) {
    run.reason = std::string("cannot prepare the run: ") + std::strerror(errno);
    return run;
  }
  run.start = WallClockSeconds();
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    // Ends with the agent, however the agent ends.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (dup2(input[0], 0) < 0 || dup2(output[1], 1) < 0 || dup2(error, 2) < 0 ||
        chdir(folder.c_str()) != 0) {
      _exit(126);
    }
    char* argv[] = {name.data(), nullptr};
    execve(name.c_str(), argv, envp.data());
    _exit(127);
  }
  close(input[0]);
  close(output[1]);
  close(error);
  if (child < 0) {
    run.reason =
        std::string("cannot start the benchmark: ") + std::strerror(errno);
    close(input[1]);
    close(output[0]);
    return run;
  }
  setpgid(child, child);
  benchmark = child;
  if (ended != 0) kill(-child, SIGKILL);
  (void)!write(input[1], kEnter, sizeof kEnter - 1);
  close(input[1]);

  // Sleeps in poll() until a line, the end or the timeout.
  const auto since = [&start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                         start)
        .count();
  };
  bool timedOut = false;
  char buffer[4096];
  for (;;) {
    const double left = timeoutSeconds - since();
    if (left <= 0) {
      timedOut = true;
      kill(-child, SIGKILL);
      break;
    }
    pollfd wait{output[0], POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left * 1000) + 1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    const ssize_t got = read(output[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    const double at = since();
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] == '\n') run.lineTimes.push_back(at);
    }
    run.console.append(buffer, static_cast<std::size_t>(got));
  }
  close(output[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  benchmark = 0;
  run.wallSeconds = since();
  if (ended != 0) {
    run.status = RunStatus::kInterrupted;
    run.reason = "interrupted";
  } else if (timedOut) {
    run.status = RunStatus::kTimedOut;
    run.reason = "still running after " +
                 std::to_string(static_cast<long>(timeoutSeconds)) +
                 " s; ended";
  } else if (WIFSIGNALED(status)) {
    run.signal = WTERMSIG(status);
    run.reason = "ended by signal " + std::to_string(run.signal) + " (" +
                 strsignal(run.signal) + ")";
  } else {
    run.exitStatus = WEXITSTATUS(status);
    if (run.exitStatus == 0) {
      run.status = RunStatus::kOk;
    } else {
      run.reason = "exited with status " + std::to_string(run.exitStatus);
    }
  }
  return run;
}
