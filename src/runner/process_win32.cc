#include <io.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runner/process.h"
#include "runner/secret_variables.h"

const char kExecutableSuffix[] = ".exe";

namespace {

// How long a program ended by us has to go before it is ended for certain.
constexpr DWORD kGraceMilliseconds = 5000;
constexpr char kThreadsVariable[] = "OMP_NUM_THREADS";

// Set by the console's Ctrl-C or Ctrl-Break; the sweep waits on it beside
// its child.
HANDLE interruptEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
  SetEvent(interruptEvent);
  return TRUE;  // handled: the sweep ends its run and writes its manifest
}

std::string LastError(const std::string& what) {
  const DWORD code = GetLastError();
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string reason = text != nullptr ? text : "error " + std::to_string(code);
  LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == '.')) {
    reason.pop_back();
  }
  return what + ": " + reason;
}

HANDLE OpenOutput(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One variable of ours set (or removed) for the time a child starts, which
// inherits our environment, and put back as it was afterwards.
class ChildVariable {
 public:
  ChildVariable(const char* name, const std::optional<std::string>& value)
      : name_(name) {
    const DWORD length = GetEnvironmentVariableA(name, nullptr, 0);
    if (length > 0) {
      std::string saved(length, '\0');
      saved.resize(GetEnvironmentVariableA(name, saved.data(), length));
      saved_ = std::move(saved);
    }
    SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
  }
  ~ChildVariable() {
    SetEnvironmentVariableA(name_, saved_ ? saved_->c_str() : nullptr);
  }
  ChildVariable(const ChildVariable&) = delete;
  ChildVariable& operator=(const ChildVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// The child's OMP_NUM_THREADS, and no secret of ours.
class ChildEnvironment {
 public:
  explicit ChildEnvironment(const std::optional<int>& threads) {
    if (threads) {
      set_.emplace_back(std::make_unique<ChildVariable>(
          kThreadsVariable, std::to_string(*threads)));
    }
    for (const char* name : kSecretVariables) {
      set_.emplace_back(std::make_unique<ChildVariable>(name, std::nullopt));
    }
  }
  // Put back in the reverse order of setting.
  ~ChildEnvironment() {
    while (!set_.empty()) set_.pop_back();
  }
  ChildEnvironment(const ChildEnvironment&) = delete;
  ChildEnvironment& operator=(const ChildEnvironment&) = delete;

 private:
  std::vector<std::unique_ptr<ChildVariable>> set_;
};

}  // namespace

void CatchInterrupts() {
  interruptEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool InterruptRequested() {
  return interruptEvent != nullptr &&
         WaitForSingleObject(interruptEvent, 0) == WAIT_OBJECT_0;
}

ChildOutcome RunChild(const ChildRequest& request) {
  ChildOutcome outcome;
  if (InterruptRequested()) {
    outcome.end = ChildEnd::kInterrupted;
    return outcome;
  }
  HANDLE output = OpenOutput(request.outputPath);
  HANDLE error = OpenOutput(request.errorPath);
  HANDLE inputRead = nullptr;
  HANDLE inputWrite = nullptr;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  if (output == INVALID_HANDLE_VALUE || error == INVALID_HANDLE_VALUE ||
      !CreatePipe(&inputRead, &inputWrite, &inherit, 0)) {
    outcome.error = LastError("cannot prepare the run's files");
    for (HANDLE h : {output, error}) {
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    return outcome;
  }
  SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inputRead;
  startup.hStdOutput = output;
  startup.hStdError = error;
  // The program and everything it starts go into one job, so that ending
  // the job ends them all.
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  // Words with neither quotes nor trailing backslashes: as the sweep makes
  // them.
  std::string commandLine = "\"" + request.program + "\"";
  for (const std::string& word : request.arguments) {
    commandLine += " \"" + word + "\"";
  }
  PROCESS_INFORMATION process{};
  BOOL started = FALSE;
  {
    const ChildEnvironment environment(request.threads);
    started = CreateProcessA(request.program.c_str(), commandLine.data(),
                             nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                             request.directory.c_str(), &startup, &process);
  }
  if (!started) outcome.error = LastError("cannot start " + request.program);
  CloseHandle(inputRead);
  CloseHandle(output);
  CloseHandle(error);
  if (!started) {
    CloseHandle(inputWrite);
    CloseHandle(job);
    return outcome;
  }
  AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);

  DWORD written = 0;
  WriteFile(inputWrite, request.input.data(),
            static_cast<DWORD>(request.input.size()), &written, nullptr);
  CloseHandle(inputWrite);

  const HANDLE waited[] = {process.hProcess, interruptEvent};
  const DWORD count = interruptEvent != nullptr ? 2 : 1;
  const DWORD wait = WaitForMultipleObjects(
      count, waited, FALSE, static_cast<DWORD>(request.timeoutSeconds * 1000));
  if (wait != WAIT_OBJECT_0) {
    outcome.end =
        wait == WAIT_TIMEOUT ? ChildEnd::kTimedOut : ChildEnd::kInterrupted;
    TerminateJobObject(job, 1);
    WaitForSingleObject(process.hProcess, kGraceMilliseconds);
  } else {
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    outcome.end = ChildEnd::kExited;
    outcome.exitStatus = static_cast<int>(code);
  }
  CloseHandle(process.hProcess);
  CloseHandle(job);
  return outcome;
}

std::string SignalName(int signal) {
  return "signal " + std::to_string(signal);
}

std::optional<std::string> SelfPath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return std::nullopt;
  return std::string(path, length);
}

std::optional<std::string> FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  const std::string directories = path;
  std::size_t start = 0;
  while (start <= directories.size()) {
    std::size_t end = directories.find(';', start);
    if (end == std::string::npos) end = directories.size();
    if (end > start) {
      const std::string candidate =
          directories.substr(start, end - start) + "\\" + name;
      const DWORD attributes = GetFileAttributesA(candidate.c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES &&
          !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return candidate;
      }
    }
    start = end + 1;
  }
  return std::nullopt;
}

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }
