#include "runner/client_launch.h"

#include <filesystem>
#include <sstream>

#include "files/whole_file.h"

namespace fs = std::filesystem;

namespace {

constexpr char kAgentName[] = "drives-agent";
// mpirun's time to start and end its agents, beyond theirs.
constexpr double kLaunchGraceSeconds = 120;
constexpr char kRootRefusal[] = "attempt to run as root";

// The first line of mpirun's complaint that says something.
std::string FirstWords(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find_first_not_of("-* \t\r") == std::string::npos) continue;
    line.erase(0, line.find_first_not_of(" \t"));
    return line;
  }
  return "";
}

}  // namespace

std::optional<std::string> FindAgent() {
  return FindCompanion(std::string(kAgentName) + kExecutableSuffix);
}

LaunchOutcome LaunchClients(const ClientLaunch& launch, int clients,
                            const std::optional<int>& threads,
                            const std::string& runFolder) {
  LaunchOutcome outcome;
  // mpirun starts in the run's folder: every path it is handed is whole.
  std::error_code code;
  const std::string folder = fs::absolute(runFolder, code).string();
  ChildRequest request;
  request.program = launch.mpirun;
  request.arguments = {"-n", std::to_string(clients)};
  if (!launch.hostfile.empty()) {
    request.arguments.insert(request.arguments.end(),
                             {"--hostfile", launch.hostfile});
  }
  request.arguments.insert(request.arguments.end(),
                           launch.mpirunArguments.begin(),
                           launch.mpirunArguments.end());
  request.arguments.insert(
      request.arguments.end(),
      {launch.agent, "--program", launch.program, "--dir",
       fs::absolute(launch.directory.empty() ? "." : launch.directory, code)
           .string(),
       "--threads", std::to_string(threads.value_or(0)), "--timeout",
       std::to_string(launch.timeoutSeconds), "--handoff", folder});
  request.directory = folder;
  request.outputPath = (fs::path(folder) / "mpirun.stdout.txt").string();
  request.errorPath = (fs::path(folder) / "mpirun.stderr.txt").string();
  request.timeoutSeconds = launch.timeoutSeconds + kLaunchGraceSeconds;
  outcome.mpirun = RunChild(request);
  if (outcome.mpirun.end == ChildEnd::kNotStarted) {
    outcome.error = outcome.mpirun.error;
    return outcome;
  }
  const fs::path handed = fs::path(folder) / kClientResultsName;
  if (fs::is_regular_file(handed, code)) {
    std::vector<ClientResult> results;
    if (ClientResultsFromJson(ReadWholeFile(handed), results, outcome.error)) {
      outcome.clients = std::move(results);
      return outcome;
    }
    return outcome;
  }
  const std::string complaint =
      ReadWholeFile(fs::path(folder) / "mpirun.stderr.txt");
  if (complaint.find(kRootRefusal) != std::string::npos) {
    outcome.error =
        "mpirun refuses to run as root; to allow it, set "
        "OMPI_ALLOW_RUN_AS_ROOT=1 and OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 in the "
        "environment (Open MPI), or run as another user";
  } else if (outcome.mpirun.end == ChildEnd::kInterrupted) {
    outcome.error = "interrupted";
  } else {
    const std::string words = FirstWords(complaint);
    outcome.error = "the clients were not launched: " +
                    (words.empty() ? std::string("mpirun handed back nothing")
                                   : "mpirun: " + words);
  }
  return outcome;
}
