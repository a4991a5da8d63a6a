#include "runner/sweep.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>

#include "cli/messages.h"
#include "driver/number_format.h"
#include "files/whole_file.h"
#include "results/input_text.h"
#include "results/results_reader.h"
#include "results/tagged_names.h"
#include "runner/process.h"
#include "runner/progress.h"
#include "runner/system_info.h"
#include "runs/manifest.h"

namespace fs = std::filesystem;

namespace {

// What the benchmark's closing prompt waits for.
constexpr char kEnter[] = "\n";
constexpr char kFolderStem[] = "drives-runs-";

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
  return text;
}

// The benchmark of our own word size: beside us, else on the PATH.
std::optional<std::string> FindProgram(std::string& name) {
  name = ProgramName(static_cast<int>(sizeof(void*) * 8)) + kExecutableSuffix;
  std::error_code code;
  if (const std::optional<std::string> self = SelfPath()) {
    const fs::path beside = fs::path(*self).parent_path() / name;
    if (fs::is_regular_file(beside, code)) return beside.string();
  }
  return FindOnPath(name);
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

// Writes the manifest whole or not at all; says why it could not unless
// the sweep has said why it stops already (a full disk fails both).
bool WriteManifest(const std::string& folder, const Manifest& manifest,
                   bool quiet = false) {
  std::string error;
  if (WriteWholeFile((fs::path(folder) / kManifestName).string(),
                     [&](std::ostream& out) {
                       out << ManifestToJson(manifest).dump(2) << '\n';
                     },
                     error)) {
    return true;
  }
  if (!quiet) PrintError(error + "; the runs so far are kept in " + folder);
  return false;
}

// One sweep in progress.
class Sweep {
 public:
  Sweep(const SweepOptions& options, std::string program, std::string directory,
        std::string folder)
      : options_(options),
        program_(std::move(program)),
        directory_(std::move(directory)),
        folder_(std::move(folder)) {}

  int Run();

 private:
  // Runs number `index`; false when the sweep cannot go on.
  bool RunOne(int index, const std::optional<int>& threads, RunEntry& run);
  bool KeepResults(int tag, const std::string& name, RunEntry& run);
  // Says why the sweep cannot go on, below the progress line.
  void Fatal(const std::string& what) {
    if (progress_) progress_->Done();
    PrintError(what);
  }
  std::string InFolder(const std::string& name) const {
    return (fs::path(folder_) / name).string();
  }

  const SweepOptions& options_;
  const std::string program_;
  const std::string directory_;
  const std::string folder_;
  Manifest manifest_;
  std::optional<Progress> progress_;
  // The program's word size, from its name until a run shows it.
  std::optional<int> tag_;
  std::string text_;  // one buffer for every console transcript
};

int Sweep::Run() {
  manifest_.programPath = program_;
  manifest_.command = options_.command;
  manifest_.directory = directory_;
  manifest_.created = UtcNow();
  manifest_.runsPerCount = options_.runs;
  manifest_.timeoutSeconds = options_.timeoutSeconds;
  manifest_.dropCaches = options_.dropCaches;
  if (options_.threads.empty()) {
    manifest_.threadCounts.push_back(std::nullopt);
  } else {
    manifest_.threadCounts.assign(options_.threads.begin(),
                                  options_.threads.end());
  }
  manifest_.machine = DescribeMachine(directory_);
  for (const int tag : kWordSizeTags) {
    if (fs::path(program_).stem() == ProgramName(tag)) tag_ = tag;
  }
  if (!WriteManifest(folder_, manifest_)) return kSweepFailed;

  CatchInterrupts();
  const int total =
      options_.runs * static_cast<int>(manifest_.threadCounts.size());
  progress_.emplace(total);
  Progress& progress = *progress_;
  bool failed = false;
  int index = 0;
  // Interleaved (1, 2, 4, 1, 2, 4, ...): a slow drift of the machine
  // spreads over every thread count.
  for (int round = 0; round < options_.runs && !InterruptRequested(); ++round) {
    for (const std::optional<int>& threads : manifest_.threadCounts) {
      if (InterruptRequested()) break;
      RunEntry run;
      progress.Started(++index, threads);
      const bool goOn = RunOne(index, threads, run);
      manifest_.runs.push_back(run);
      // A sweep that cannot go on has said why already.
      if (goOn) progress.Finished(run);
      if (!WriteManifest(folder_, manifest_, !goOn) || !goOn) {
        progress.Done();
        return kSweepFailed;
      }
      failed = failed || run.status != RunStatus::kOk;
    }
  }
  progress.Done();
  manifest_.complete = index == total && !InterruptRequested();
  if (!WriteManifest(folder_, manifest_)) return kSweepFailed;
  if (InterruptRequested()) {
    PrintNote("interrupted; the runs so far are kept in " + folder_);
    return kSweepInterrupted;
  }
  return failed ? kSomeRunFailed : kSweepOk;
}

bool Sweep::RunOne(int index, const std::optional<int>& threads,
                   RunEntry& run) {
  char base[64];
  std::snprintf(
      base, sizeof base, "run-%03d-%s", index,
      threads ? ("threads-" + std::to_string(*threads)).c_str() : "default");
  run.index = index;
  run.threads = threads;
  run.start = UtcNow();
  run.consoleFile = std::string(base) + ".console.txt";
  run.errorFile = std::string(base) + ".stderr.txt";
  run.status = RunStatus::kFailed;

  std::string error;
  if (options_.dropCaches && !DropFileCache(error)) {
    run.reason = error;
    return true;
  }
  // A results file left from an earlier run must not pass for this one's.
  std::error_code code;
  if (tag_) fs::remove(fs::path(directory_) / ResultsFileName(*tag_), code);
  const ChildRequest request{program_,
                             directory_,
                             threads,
                             kEnter,
                             InFolder(run.consoleFile),
                             InFolder(run.errorFile),
                             options_.timeoutSeconds};
  const auto start = std::chrono::steady_clock::now();
  const ChildOutcome outcome = RunChild(request);
  run.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  switch (outcome.end) {
    case ChildEnd::kNotStarted:
      run.reason = outcome.error;
      Fatal(outcome.error);
      return false;
    case ChildEnd::kExited:
      run.exitStatus = outcome.exitStatus;
      if (outcome.exitStatus == 0) {
        run.status = RunStatus::kOk;
      } else {
        run.reason = "exited with status " + std::to_string(outcome.exitStatus);
      }
      break;
    case ChildEnd::kSignalled:
      run.signal = outcome.signal;
      run.reason = "ended by signal " + std::to_string(outcome.signal) + " (" +
                   SignalName(outcome.signal) + ")";
      break;
    case ChildEnd::kTimedOut:
      run.status = RunStatus::kTimedOut;
      run.reason = "still running after " +
                   FormatNumber(options_.timeoutSeconds) + " s; ended";
      break;
    case ChildEnd::kInterrupted:
      run.status = RunStatus::kInterrupted;
      run.reason = "interrupted";
      break;
  }
  if (run.status != RunStatus::kOk) return true;

  // The console tells the program's word size, and whether it is the
  // benchmark at all.
  InputError readError;
  std::optional<RunRecord> record;
  if (LoadInputText(InFolder(run.consoleFile), text_, readError) &&
      CheckInputText(text_, readError)) {
    record = ReadRunRecord(text_, run.consoleFile, readError);
  }
  if (!record) {
    run.status = RunStatus::kFailed;
    run.reason = "its output is not the benchmark's: " +
                 Where(run.consoleFile, readError.line) + readError.message;
    if (manifest_.wordSize) return true;
    Fatal(program_ + " does not look like the benchmark: " +
          Where(InFolder(run.consoleFile), readError.line) + readError.message);
    return false;
  }
  manifest_.wordSize = record->tag;
  tag_ = record->tag;
  return KeepResults(record->tag, std::string(base) + ".results.txt", run);
}

bool Sweep::KeepResults(int tag, const std::string& name, RunEntry& run) {
  const fs::path results = fs::path(directory_) / ResultsFileName(tag);
  std::error_code code;
  if (!fs::is_regular_file(results, code)) return true;  // console only
  fs::copy_file(results, InFolder(name), fs::copy_options::overwrite_existing,
                code);
  if (code) {
    const std::string reason = code.message();
    fs::remove(InFolder(name), code);  // what part of it was written
    Fatal("cannot keep " + results.string() + " as " + InFolder(name) + " (" +
          reason + ")");
    return false;
  }
  run.resultsFile = name;
  return true;
}

}  // namespace

int RunSweep(const SweepOptions& options, std::string& folder) {
  std::string program;
  std::string directory = options.directory;
  std::string why;
  if (!ResolveProgram(options, program) || !CheckDirectory(directory)) {
    return kSweepFailed;
  }
  if (options.dropCaches && !CanDropFileCache(why)) {
    PrintError("--drop-caches: " + why);
    return kSweepFailed;
  }
  if (!MakeFolder(options.out, folder)) return kSweepFailed;
  return Sweep(options, program, directory, folder).Run();
}
