// Starting the benchmark program and waiting for it, and the little else a
// sweep needs to know of the platform it runs on. One implementation per
// platform: process_posix.cc, process_win32.cc.
#ifndef DRIVES_RUNNER_PROCESS_H_
#define DRIVES_RUNNER_PROCESS_H_

#include <optional>
#include <string>
#include <vector>

// ".exe" on Windows, else "".
extern const char kExecutableSuffix[];

struct ChildRequest {
  std::string program;                 // started directly, without a shell
  std::vector<std::string> arguments;  // after the program's name
  std::string directory;               // its current directory
  // OMP_NUM_THREADS in its environment; none leaves the environment as is.
  std::optional<int> threads;
  std::string input;       // its standard input, which then ends
  std::string outputPath;  // receives its standard output
  std::string errorPath;   // receives its standard error
  double timeoutSeconds = 0;
};

enum class ChildEnd {
  kExited,       // with `exitStatus`
  kSignalled,    // ended by `signal`
  kTimedOut,     // ended by us after the timeout
  kInterrupted,  // ended by us on an interrupt (Ctrl-C)
  kNotStarted,   // `error` says why
};

struct ChildOutcome {
  ChildEnd end = ChildEnd::kNotStarted;
  int exitStatus = 0;
  int signal = 0;
  std::string error;
};

// From here on an interrupt (Ctrl-C, or a request to terminate) no longer
// ends this process; RunChild() and InterruptRequested() see it instead.
void CatchInterrupts();
// Whether an interrupt came since CatchInterrupts(); it stays set.
bool InterruptRequested();

// Runs the program to its end, waiting without polling: until it exits, the
// timeout passes or an interrupt comes. A program that does not end by then
// is ended, with everything it started.
ChildOutcome RunChild(const ChildRequest& request);

// The name of a signal, for people ("Killed").
std::string SignalName(int signal);

// This program's own path, where the platform tells it.
std::optional<std::string> SelfPath();
// The first `name` on the PATH that is a file.
std::optional<std::string> FindOnPath(const std::string& name);
// A program that comes with this one: beside it, else on the PATH.
std::optional<std::string> FindCompanion(const std::string& name);
bool StandardErrorIsTerminal();

#endif  // DRIVES_RUNNER_PROCESS_H_
