#include "runner/sweep_setup.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

#include "device/drive_ceiling.h"
#include "machine/system_info.h"
#include "messages/messages.h"
#include "results/tagged_names.h"
#include "runner/process.h"
#include "runs/manifest.h"

namespace fs = std::filesystem;

namespace {

constexpr char kFolderStem[] = "drives-runs-";

// The benchmark of our own word size: beside us, else on the PATH.
std::optional<std::string> FindProgram(std::string& name) {
  name = ProgramName(static_cast<int>(sizeof(void*) * 8)) + kExecutableSuffix;
  return FindCompanion(name);
}

bool ResolveProgram(const SweepOptions& options, std::string& program) {
  std::string name;
  if (!options.program.empty()) {
    program = options.program;
  } else if (const std::optional<std::string> found = FindProgram(name)) {
    program = *found;
  } else {
    PrintError("cannot find " + name +
               " beside drives-report or on the PATH; name it with --program");
    return false;
  }
  std::error_code code;
  if (!fs::is_regular_file(program, code)) {
    PrintError(program + ": no such program");
    return false;
  }
  // The program runs in another directory.
  program = fs::absolute(program, code).string();
  return true;
}

bool CheckDirectory(std::string& directory) {
  std::error_code code;
  if (directory.empty()) directory = ".";
  if (!fs::exists(directory, code)) {
    PrintError(directory + ": no such directory");
    return false;
  }
  if (!fs::is_directory(directory, code)) {
    PrintError(directory + ": not a directory");
    return false;
  }
  fs::path normal = fs::absolute(directory, code).lexically_normal();
  // "/tmp/x/" as "/tmp/x", but "/" and "C:\" as they are.
  if (!normal.has_filename() && normal != normal.root_path()) {
    normal = normal.parent_path();
  }
  directory = normal.string();
  // Written once, here, rather than found out by the benchmark's first run.
  std::random_device random;
  const fs::path probe = fs::path(directory) /
                         (".drives-report-probe-" + std::to_string(random()));
  errno = 0;
  const bool writable = static_cast<bool>(std::ofstream(probe));
  const int error = errno;
  fs::remove(probe, code);
  if (!writable) {
    PrintError(directory + ": cannot write there" +
               (error != 0 ? std::string(" (") + std::strerror(error) + ")"
                           : std::string()));
    return false;
  }
  return true;
}

// A new folder: the one asked for, which must not hold anything yet, or
// drives-runs-<date>-<time> here.
bool MakeFolder(const std::string& asked, std::string& folder) {
  std::error_code code;
  if (!asked.empty()) {
    folder = asked;
    if (fs::exists(folder, code) &&
        (!fs::is_directory(folder, code) || !fs::is_empty(folder, code))) {
      PrintError(folder + ": already exists; name a new folder for the runs");
      return false;
    }
  } else {
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    folder = kFolderStem + std::string(stamp);
    for (int n = 2; fs::exists(folder, code); ++n) {
      folder = kFolderStem + std::string(stamp) + "-" + std::to_string(n);
    }
  }
  fs::create_directories(folder, code);
  if (code) {
    PrintError(folder + ": cannot create the folder (" + code.message() + ")");
    return false;
  }
  return true;
}

// What --clients launches with: mpirun, the agent, the hostfile; false
// with the cause said when one is missing.
bool PrepareLaunch(const SweepOptions& options, const std::string& program,
                   const std::string& directory, ClientLaunch& launch) {
  if (!options.mpirun.empty()) {
    launch.mpirun = options.mpirun;
  } else if (const std::optional<std::string> found = FindOnPath("mpirun")) {
    launch.mpirun = *found;
  } else {
    PrintError(
        "--clients needs mpirun, which is not on the PATH; install Open MPI "
        "(Debian: openmpi-bin) or name it with --mpirun");
    return false;
  }
  std::error_code code;
  if (!fs::is_regular_file(launch.mpirun, code)) {
    PrintError(launch.mpirun + ": no such program (--mpirun)");
    return false;
  }
  // mpirun starts in each run's folder.
  launch.mpirun = fs::absolute(launch.mpirun, code).string();
  const std::optional<std::string> agent = FindAgent();
  if (!agent) {
    PrintError(
        "--clients needs drives-agent, which is neither beside drives-report "
        "nor on the PATH");
    return false;
  }
  if (!options.hostfile.empty()) {
    std::ifstream hosts(options.hostfile);
    if (!fs::is_regular_file(options.hostfile, code) || !hosts) {
      PrintError("--hostfile " + options.hostfile +
                 ": no such file, or it cannot be read");
      return false;
    }
    launch.hostfile = fs::absolute(options.hostfile, code).string();
  }
  launch.mpirunArguments = options.mpirunArguments;
  launch.agent = fs::absolute(*agent, code).string();
  launch.program = program;
  launch.directory = directory;
  launch.timeoutSeconds = options.timeoutSeconds;
  return true;
}

}  // namespace

bool SetUpSweep(const SweepOptions& options, std::string& program,
                std::vector<Place>& places, std::optional<ClientLaunch>& launch,
                std::string& folder) {
  std::string why;
  if (!ResolveProgram(options, program)) return false;
  std::vector<std::string> directories = options.directories;
  if (directories.empty()) directories.emplace_back();
  for (std::size_t d = 0; d < directories.size(); ++d) {
    Place place;
    place.directory = directories[d];
    if (!CheckDirectory(place.directory)) return false;
    place.label =
        d < options.labels.size() ? options.labels[d] : place.directory;
    for (const Place& before : places) {
      if (before.directory == place.directory) {
        PrintError("--dir " + place.directory + ": given twice");
        return false;
      }
    }
    places.push_back(std::move(place));
  }
  if (options.control) {
    Place control;
    control.role = kControlDirectoryRole;
    control.label = "memory control";
    if (!options.control->empty()) {
      control.directory = *options.control;
    } else if (const std::optional<std::string> memory = MemoryDirectory()) {
      control.directory = *memory;
    } else {
      PrintError(
          "--control: this system has no memory file system of its own; "
          "give one's directory (a RAM disk's) as --control DIR");
      return false;
    }
    if (!CheckDirectory(control.directory)) return false;
    places.push_back(std::move(control));
  }
  if (options.dropCaches && !CanDropFileCache(why)) {
    PrintError("--drop-caches: " + why);
    return false;
  }
  if (options.settle && !CanSettle(why)) {
    PrintError("--settle: " + why);
    return false;
  }
  if (!options.clients.empty()) {
    launch = ClientLaunch{};
    if (!PrepareLaunch(options, program, places.front().directory, *launch)) {
      return false;
    }
  }
  if (!MakeFolder(options.out, folder)) return false;
  // Each directory's runs in a run folder of its own: the first's is the
  // sweep's, the others' inside it.
  int drives = 0;
  for (Place& place : places) {
    const bool control = place.role == kControlDirectoryRole;
    place.folder = folder;
    if (control || drives++ > 0) {
      place.folder =
          (fs::path(folder) /
           (control ? std::string("control") : "dir-" + std::to_string(drives)))
              .string();
      std::error_code code;
      fs::create_directories(place.folder, code);
      if (code) {
        PrintError(place.folder + ": cannot create the folder (" +
                   code.message() + ")");
        return false;
      }
    }
  }
  if (options.ceiling) {
    // The largest team the sweep runs: the streams of a team's ceiling.
    int team = 0;
    for (const int t : options.threads) team = std::max(team, t);
    if (options.threads.empty()) {
      team = DefaultTeamStreams();
    }
    for (Place& place : places) {
      if (place.role == kControlDirectoryRole) continue;
      PrintNote("measuring the drive under " + place.directory +
                " (direct I/O, fsync; about 7 s)");
      place.manifest.driveCeiling = MeasureCeiling(place.directory, team);
      PrintNote(place.directory + ": " +
                CeilingText(*place.manifest.driveCeiling));
    }
  }
  return true;
}
