#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "runner/process.h"
#include "runner/secret_variables.h"

// POSIX leaves its declaration to the program; glibc declares it too.
extern char** environ;  // NOLINT(readability-redundant-declaration)

const char kExecutableSuffix[] = "";

namespace {

// How long a program ended by us has to go quietly before it is killed.
constexpr double kGraceSeconds = 5;
constexpr char kThreadsVariable[] = "OMP_NUM_THREADS";

bool interrupted = false;

// The signals a sweep waits for: its child's end and the interrupts, blocked
// so that they wait in line for sigtimedwait() instead of ending us.
sigset_t WaitedSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGCHLD);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

// Waits up to `seconds` (forever if negative) for one of the waited
// signals; returns it, or 0 when the time is up.
int WaitForSignal(double seconds) {
  const sigset_t set = WaitedSignals();
  for (;;) {
    int signal = 0;
    if (seconds < 0) {
      signal = sigwaitinfo(&set, nullptr);
    } else {
      timespec limit{};
      limit.tv_sec = static_cast<std::time_t>(seconds);
      limit.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
      signal = sigtimedwait(&set, nullptr, &limit);
    }
    if (signal > 0) {
      if (signal != SIGCHLD) interrupted = true;
      return signal;
    }
    if (errno == EAGAIN) return 0;
    // EINTR: a signal we do not wait for; wait on.
  }
}

// Takes signals that are already waiting, without blocking.
void TakeWaitingSignals() {
  while (WaitForSignal(0) != 0) {
  }
}

std::vector<std::string> ChildEnvironment(const std::optional<int>& threads) {
  std::vector<std::string> environment;
  const std::string prefix = std::string(kThreadsVariable) + "=";
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if ((threads && std::strncmp(*entry, prefix.c_str(), prefix.size()) == 0) ||
        IsSecretEntry(*entry)) {
      continue;
    }
    environment.emplace_back(*entry);
  }
  if (threads) environment.push_back(prefix + std::to_string(*threads));
  return environment;
}

std::string Reason(const std::string& what, int error) {
  return what + ": " + std::strerror(error);
}

int OpenOutput(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

// In the child, between fork() and exec(): only async-signal-safe calls.
[[noreturn]] void BecomeProgram(const ChildRequest& request, int input,
                                int output, int error, int report,
                                char* const* argv, char* const* envp) {
  setpgid(0, 0);
  const sigset_t set = WaitedSignals();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_DFL);  // the benchmark as a plain run gets it
  if (dup2(input, 0) < 0 || dup2(output, 1) < 0 || dup2(error, 2) < 0 ||
      chdir(request.directory.c_str()) != 0) {
    const int e = errno;
    (void)!write(report, &e, sizeof e);
    _exit(127);
  }
  execve(request.program.c_str(), argv, envp);
  const int e = errno;
  (void)!write(report, &e, sizeof e);
  _exit(127);
}

// In floating seconds, so that no timeout overflows it.
using Deadline = std::chrono::time_point<std::chrono::steady_clock,
                                         std::chrono::duration<double>>;

Deadline In(double seconds) {
  return std::chrono::steady_clock::now() +
         std::chrono::duration<double>(seconds);
}

// What ended a wait for the child.
constexpr int kChildEnded = -1;

// Waits until the child ends (kChildEnded, with its `status`), the deadline
// passes (0) or an interrupt comes (the signal).
int WaitForChild(pid_t child, int& status, Deadline deadline) {
  for (;;) {
    if (waitpid(child, &status, WNOHANG) == child) return kChildEnded;
    const double left = std::chrono::duration<double>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
    const int signal = left > 0 ? WaitForSignal(left) : 0;
    if (signal != SIGCHLD) return signal;
  }
}

// Ends the child's process group: politely, then for certain. Interrupts
// that come meanwhile do not shorten its grace.
void EndChild(pid_t child, int& status) {
  kill(-child, SIGTERM);
  const Deadline deadline = In(kGraceSeconds);
  int waited = 0;
  do {
    waited = WaitForChild(child, status, deadline);
  } while (waited > 0);
  if (waited == kChildEnded) return;
  kill(-child, SIGKILL);
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

void CatchInterrupts() {
  const sigset_t set = WaitedSignals();
  sigprocmask(SIG_BLOCK, &set, nullptr);
  // A program that ends without reading its Enter must not end us.
  signal(SIGPIPE, SIG_IGN);
}

bool InterruptRequested() {
  TakeWaitingSignals();
  return interrupted;
}

ChildOutcome RunChild(const ChildRequest& request) {
  ChildOutcome outcome;
  TakeWaitingSignals();  // a stale SIGCHLD must not end the wait early
  if (interrupted) {
    outcome.end = ChildEnd::kInterrupted;
    return outcome;
  }
  const int output = OpenOutput(request.outputPath);
  const int error = OpenOutput(request.errorPath);
  int input[2] = {-1, -1};
  int report[2] = {-1, -1};
  if (output < 0 || error < 0 || pipe2(input, O_CLOEXEC) != 0 ||
      pipe2(report, O_CLOEXEC) != 0) {
    outcome.error = Reason("cannot prepare the run's files", errno);
    for (const int fd :
         {output, error, input[0], input[1], report[0], report[1]}) {
      if (fd >= 0) close(fd);
    }
    return outcome;
  }

  const std::vector<std::string> environment =
      ChildEnvironment(request.threads);
  std::vector<char*> envp;
  envp.reserve(environment.size() + 1);
  for (const std::string& entry : environment) {
    envp.push_back(const_cast<char*>(entry.c_str()));
  }
  envp.push_back(nullptr);
  std::vector<std::string> words = {request.program};
  words.insert(words.end(), request.arguments.begin(), request.arguments.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    BecomeProgram(request, input[0], output, error, report[1], argv.data(),
                  envp.data());
  }
  const int forkError = errno;
  close(input[0]);
  close(output);
  close(error);
  close(report[1]);
  if (child < 0) {
    close(input[1]);
    close(report[0]);
    outcome.error = Reason("cannot start " + request.program, forkError);
    return outcome;
  }
  setpgid(child, child);  // also here, so that no kill can come too early

  // The closing Enter; a pipe takes a few bytes without blocking.
  (void)!write(input[1], request.input.data(), request.input.size());
  close(input[1]);
  int execError = 0;
  const ssize_t got = read(report[0], &execError, sizeof execError);
  close(report[0]);

  int status = 0;
  if (got == static_cast<ssize_t>(sizeof execError)) {
    waitpid(child, &status, 0);
    outcome.error = Reason("cannot start " + request.program, execError);
    return outcome;
  }

  const int waited = WaitForChild(child, status, In(request.timeoutSeconds));
  if (waited != kChildEnded) {
    EndChild(child, status);
    outcome.end = waited == 0 ? ChildEnd::kTimedOut : ChildEnd::kInterrupted;
    return outcome;
  }
  if (WIFSIGNALED(status)) {
    outcome.end = ChildEnd::kSignalled;
    outcome.signal = WTERMSIG(status);
  } else {
    outcome.end = ChildEnd::kExited;
    outcome.exitStatus = WEXITSTATUS(status);
  }
  return outcome;
}

std::string SignalName(int signal) {
  const char* name = strsignal(signal);
  return name != nullptr ? name : "signal " + std::to_string(signal);
}

std::optional<std::string> SelfPath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return std::nullopt;
  return std::string(path, static_cast<std::size_t>(length));
}

std::optional<std::string> FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  std::string directories = path;
  std::size_t start = 0;
  while (start <= directories.size()) {
    std::size_t end = directories.find(':', start);
    if (end == std::string::npos) end = directories.size();
    std::string candidate =
        end > start ? directories.substr(start, end - start) : ".";
    candidate += "/";
    candidate += name;
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return std::nullopt;
}

bool StandardErrorIsTerminal() { return isatty(2) == 1; }
