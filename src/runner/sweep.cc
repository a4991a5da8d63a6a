#include "runner/sweep.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <set>
#include <system_error>
#include <tuple>

#include "conclusions/disturbance.h"
#include "conclusions/precision_plan.h"
#include "device/drive_ceiling.h"
#include "driver/number_format.h"
#include "files/whole_file.h"
#include "machine/system_info.h"
#include "messages/messages.h"
#include "results/client_sum.h"
#include "results/figure_rows.h"
#include "results/input_text.h"
#include "results/results_reader.h"
#include "results/tagged_names.h"
#include "runner/client_launch.h"
#include "runner/probe.h"
#include "runner/process.h"
#include "runner/progress.h"
#include "runs/client_results.h"
#include "runs/json_fields.h"
#include "runs/manifest.h"

namespace fs = std::filesystem;

namespace {

// What the benchmark's closing prompt waits for.
constexpr char kEnter[] = "\n";
constexpr char kFolderStem[] = "drives-runs-";

// "5%", "2.5%", "35%", "190%".
std::string FormatPercent(double fraction) {
  char text[32];
  const double percent = fraction * 100;
  std::snprintf(text, sizeof text, percent < 10 ? "%.2g%%" : "%.0f%%", percent);
  return text;
}

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

// Writes the manifest whole or not at all; says why it could not unless
// the sweep has said why it stops already (a full disk fails both).
bool WriteManifest(const std::string& folder, const Manifest& manifest,
                   bool quiet = false) {
  std::string error;
  if (WriteWholeFile(
          (fs::path(folder) / kManifestName).string(),
          [&](std::ostream& out) {
            out << json_fields::WithJsonText(ManifestToJson(manifest)).dump(2)
                << '\n';
          },
          error)) {
    return true;
  }
  if (!quiet) PrintError(error + "; the runs so far are kept in " + folder);
  return false;
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

// One directory of the sweep: where it runs, where its runs are kept, and
// what has been run there.
struct Place {
  std::string directory;
  std::string label;
  std::string role;    // "", or "control"
  std::string folder;  // its run folder
  Manifest manifest;
  // The records of the measured runs that succeeded, by cell.
  std::map<std::pair<std::optional<int>, std::optional<int>>,
           std::vector<RunRecord>>
      records;
};

// One sweep in progress.
class Sweep {
 public:
  Sweep(const SweepOptions& options, std::string program,
        std::vector<Place> places, std::optional<ClientLaunch> launch)
      : options_(options),
        program_(std::move(program)),
        places_(std::move(places)),
        launch_(std::move(launch)) {}

  int Run();

 private:
  using Threads = std::optional<int>;
  using Clients = std::optional<int>;
  // One cell of the plan: a client count (none: a plain run) and a thread
  // count.
  using Cell = std::pair<Clients, Threads>;

  void Plan();
  // Makes one run of the sweep in `place` and records it; false when the
  // sweep cannot go on (it has said why).
  bool Step(Place& place, const Cell& cell, int round, bool warmup);
  // Runs number `index`; false when the sweep cannot go on.
  bool RunOne(Place& place, int index, const Cell& cell, RunEntry& run,
              std::optional<RunRecord>& record);
  // Launches the clients of a multi-client run and reads what they handed
  // over into `record` (their sum); false when the sweep cannot go on.
  bool RunClients(const Place& place, const std::string& base, int clients,
                  RunEntry& run, std::optional<RunRecord>& record);
  // Says how the run ended, from how its program ended.
  void Ended(const ChildOutcome& outcome, RunEntry& run) const;
  bool KeepResults(const Place& place, int tag, const std::string& name,
                   RunEntry& run);
  // With --precision: whether every figure at every thread count is within
  // it, or cannot get there within --max-runs (named once, then no longer
  // waited for).
  bool Precise();
  // Whether no further run may start.
  bool Stopped() const;
  // Writes every place's manifest; false when one cannot be.
  bool WriteManifests(bool quiet = false);
  // Says why the sweep cannot go on, below the progress line.
  void Fatal(const std::string& what) {
    if (progress_) progress_->Done();
    PrintError(what);
  }
  static std::string InFolder(const Place& place, const std::string& name) {
    return (fs::path(place.folder) / name).string();
  }

  const SweepOptions& options_;
  const std::string program_;
  std::vector<Place> places_;
  std::vector<Cell> cells_;
  std::optional<ClientLaunch> launch_;
  const std::chrono::steady_clock::time_point start_ =
      std::chrono::steady_clock::now();
  std::optional<Progress> progress_;
  // The program's word size, from its name until a run shows it.
  std::optional<int> tag_;
  std::optional<int> wordSize_;  // once a run showed it
  std::string text_;             // one buffer for every console transcript
  int index_ = 0;                // of the last run started
  bool failed_ = false;
  // The figures --precision no longer waits for: place, cell, key.
  std::set<std::tuple<std::size_t, Cell, std::string>> givenUp_;
};

void Sweep::Plan() {
  Manifest plan;
  plan.programPath = program_;
  plan.command = options_.command;
  plan.created = UtcNow();
  plan.runsPerCount = options_.precision ? 0 : options_.runs;
  plan.timeoutSeconds = options_.timeoutSeconds;
  plan.dropCaches = options_.dropCaches;
  plan.warmup = options_.warmup;
  plan.settle = options_.settle;
  plan.precision = options_.precision;
  plan.maxRuns = options_.precision ? options_.maxRuns : 0;
  plan.maxTimeSeconds = options_.maxTimeSeconds;
  // The rounds' orders, and which directory goes first in each, drawn at
  // random and kept.
  if (options_.precision || places_.size() > 1) {
    plan.seed = options_.seed ? *options_.seed : std::random_device()();
  }
  if (options_.threads.empty()) {
    plan.threadCounts.push_back(std::nullopt);
  } else {
    plan.threadCounts.assign(options_.threads.begin(), options_.threads.end());
  }
  plan.clientCounts = options_.clients;
  plan.hostfile = options_.hostfile;
  const std::vector<Clients> clients =
      options_.clients.empty() ? std::vector<Clients>{std::nullopt}
                               : std::vector<Clients>(options_.clients.begin(),
                                                      options_.clients.end());
  for (const Clients& k : clients) {
    for (const Threads& t : plan.threadCounts) cells_.emplace_back(k, t);
  }
  for (const int tag : kWordSizeTags) {
    if (fs::path(program_).stem() == ProgramName(tag)) tag_ = tag;
  }
  for (Place& place : places_) {
    std::optional<DriveCeiling> ceiling =
        std::move(place.manifest.driveCeiling);
    place.manifest = plan;
    place.manifest.driveCeiling = std::move(ceiling);
    place.manifest.directory = place.directory;
    place.manifest.machine = DescribeMachine(place.directory);
    if (places_.size() > 1) {
      place.manifest.label = place.label;
      place.manifest.role = place.role;
    }
  }
  if (places_.size() > 1) {
    for (const Place& place : places_) {
      const std::string inside =
          place.folder == places_.front().folder
              ? std::string()
              : fs::path(place.folder).filename().string();
      places_.front().manifest.directories.push_back(
          {place.directory, place.label,
           place.role.empty() ? std::string("drive") : place.role, inside});
    }
  }
}

bool Sweep::WriteManifests(bool quiet) {
  for (Place& place : places_) {
    place.manifest.wordSize = wordSize_;
    if (!WriteManifest(place.folder, place.manifest, quiet)) return false;
  }
  return true;
}

int Sweep::Run() {
  Plan();
  if (!WriteManifests()) return kSweepFailed;

  CatchInterrupts();
  const int counts = static_cast<int>(cells_.size() * places_.size());
  const int measured = options_.precision ? options_.maxRuns : options_.runs;
  const int total = (options_.warmup + measured) * counts;
  progress_.emplace(total, options_.precision.has_value());
  for (int w = 0; w < options_.warmup && !Stopped(); ++w) {
    for (const Cell& cell : cells_) {
      for (Place& place : places_) {
        if (Stopped()) break;
        if (!Step(place, cell, 0, true)) return kSweepFailed;
      }
    }
  }
  std::mt19937 order(places_.front().manifest.seed.value_or(0));
  std::vector<std::size_t> which(places_.size());
  for (std::size_t p = 0; p < which.size(); ++p) which[p] = p;
  for (int round = 1; round <= measured && !Stopped(); ++round) {
    // Interleaved (1, 2, 4, 1, 2, 4, ...), or with --precision in a fresh
    // random order each round: a slow drift of the machine spreads over
    // every thread count alike.
    std::vector<Cell> thisRound = cells_;
    if (options_.precision) {
      std::shuffle(thisRound.begin(), thisRound.end(), order);
    }
    for (const Cell& cell : thisRound) {
      // The directories back to back, the first drawn at random: a phase
      // of the machine falls on every one alike.
      if (which.size() > 1) std::shuffle(which.begin(), which.end(), order);
      for (const std::size_t p : which) {
        if (Stopped()) break;
        if (!Step(places_[p], cell, round, false)) return kSweepFailed;
      }
    }
    if (options_.precision && round >= kFewestRounds && Precise()) break;
  }
  progress_->Done();
  const bool complete = !InterruptRequested() &&
                        (options_.precision.has_value() || index_ == total);
  for (Place& place : places_) place.manifest.complete = complete;
  if (!WriteManifests()) return kSweepFailed;
  if (InterruptRequested()) {
    PrintNote("interrupted; the runs so far are kept in " +
              places_.front().folder);
    return kSweepInterrupted;
  }
  return failed_ ? kSomeRunFailed : kSweepOk;
}

bool Sweep::Stopped() const {
  if (InterruptRequested()) return true;
  if (!options_.maxTimeSeconds) return false;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                       start_)
             .count() >= *options_.maxTimeSeconds;
}

bool Sweep::Step(Place& place, const Cell& cell, int round, bool warmup) {
  RunEntry run;
  run.round = round;
  run.warmup = warmup;
  progress_->Started(++index_, cell.second, warmup, cell.first,
                     places_.size() > 1 ? place.label : std::string());
  std::optional<RunRecord> record;
  const bool goOn = RunOne(place, index_, cell, run, record);
  Manifest& manifest = place.manifest;
  manifest.runs.push_back(run);
  const Disturbance disturbance = JudgeDisturbance(manifest.runs);
  for (std::size_t r = 0; r < manifest.runs.size(); ++r) {
    manifest.runs[r].disturbed = disturbance.marked[r];
  }
  // A sweep that cannot go on has said why already.
  if (goOn) progress_->Finished(run);
  if (!WriteManifests(!goOn) || !goOn) {
    progress_->Done();
    return false;
  }
  failed_ = failed_ || run.status != RunStatus::kOk;
  if (record && !warmup) place.records[cell].push_back(std::move(*record));
  return true;
}

bool Sweep::Precise() {
  const double target = *options_.precision;
  bool precise = true;
  for (std::size_t p = 0; p < places_.size(); ++p) {
    Place& place = places_[p];
    for (const Cell& cell : cells_) {
      const Threads& threads = cell.second;
      const std::vector<RunRecord>& runs = place.records[cell];
      for (const FigureRow& row : ComparedFigures()) {
        if (!row.Compares() || givenUp_.count({p, cell, row.Key()})) continue;
        std::vector<double> values;
        for (const RunRecord& run : runs) {
          if (const std::optional<double> v = row.Value(run)) {
            values.push_back(*v);
          }
        }
        const PrecisionPlan plan =
            PlanPrecision(values, target, options_.maxRuns);
        if (plan.done) continue;
        // A figure that the runs do not give at all is not waited for.
        const bool missing = values.size() < 2 && runs.size() >= 2;
        if (!plan.givenUp && !missing) {
          precise = false;
          continue;
        }
        const int n = static_cast<int>(values.size());
        const double reached =
            plan.reached.value_or(std::numeric_limits<double>::infinity());
        const int runsNeeded = plan.runsNeeded.value_or(0);
        givenUp_.insert({p, cell, row.Key()});
        place.manifest.unreachable.push_back(
            {threads, row.Key(), reached, runsNeeded});
        progress_->Done();
        PrintNote(
            (places_.size() > 1 ? place.label + ": " : std::string()) +
            row.Label() + " at " +
            (cell.first ? ClientsText(*cell.first) + ", " : std::string()) +
            (threads ? ThreadsText(*threads) : std::string("default threads")) +
            ": " +
            (missing
                 ? std::string("too few runs gave it")
                 : "\u00b1" + FormatPercent(reached) + " after " +
                       std::to_string(n) + " runs; \u00b1" +
                       FormatPercent(target) +
                       (runsNeeded > 0
                            ? " would take about " +
                                  std::to_string(runsNeeded) + " runs"
                            : " is out of reach") +
                       ", over --max-runs " + std::to_string(options_.maxRuns) +
                       " even at the least spread its runs allow") +
            "; the sweep no longer waits for it");
      }
    }
  }
  return precise;
}

bool Sweep::RunOne(Place& place, int index, const Cell& cell, RunEntry& run,
                   std::optional<RunRecord>& record) {
  const Threads& threads = cell.second;
  std::string base = "run-" + std::string(index < 100 ? "0" : "") +
                     std::string(index < 10 ? "0" : "") + std::to_string(index);
  if (cell.first) base += "-clients-" + std::to_string(*cell.first);
  base += threads ? "-threads-" + std::to_string(*threads) : "-default";
  if (run.warmup) base += "-warmup";
  run.index = index;
  run.threads = threads;
  run.start = UtcNow();
  run.status = RunStatus::kFailed;

  run.probeBefore = RunProbe(place.directory);
  std::string error;
  if (options_.dropCaches && !DropFileCache(error)) {
    run.reason = error;
    return true;
  }
  if (options_.settle) run.settleSeconds = SettleWrites();
  if (cell.first) return RunClients(place, base, *cell.first, run, record);
  run.consoleFile = base + ".console.txt";
  run.errorFile = base + ".stderr.txt";
  // A results file left from an earlier run must not pass for this one's.
  std::error_code code;
  if (tag_)
    fs::remove(fs::path(place.directory) / ResultsFileName(*tag_), code);
  ChildRequest request;
  request.program = program_;
  request.directory = place.directory;
  request.threads = threads;
  request.input = kEnter;
  request.outputPath = InFolder(place, run.consoleFile);
  request.errorPath = InFolder(place, run.errorFile);
  request.timeoutSeconds = options_.timeoutSeconds;
  const std::optional<CpuTimes> before = ReadCpuTimes();
  const auto start = std::chrono::steady_clock::now();
  const ChildOutcome outcome = RunChild(request);
  run.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  const std::optional<CpuTimes> after = ReadCpuTimes();
  if (before && after) {
    run.stealSeconds = after->steal - before->steal;
    run.otherCpuSeconds =
        std::max(0.0, (after->busy - before->busy) -
                          (after->children - before->children) -
                          (after->self - before->self));
  }
  run.probeAfter = RunProbe(place.directory);
  if (outcome.end == ChildEnd::kNotStarted) {
    run.reason = outcome.error;
    Fatal(outcome.error);
    return false;
  }
  Ended(outcome, run);
  if (run.status != RunStatus::kOk) return true;

  // The console tells the program's word size, and whether it is the
  // benchmark at all.
  InputError readError;
  if (LoadInputText(InFolder(place, run.consoleFile), text_, readError) &&
      CheckInputText(text_, readError)) {
    record = ReadRunRecord(text_, run.consoleFile, readError);
  }
  if (!record) {
    run.status = RunStatus::kFailed;
    run.reason = "its output is not the benchmark's: " +
                 Where(run.consoleFile, readError.line) + readError.message;
    if (wordSize_) return true;
    Fatal(program_ + " does not look like the benchmark: " +
          Where(InFolder(place, run.consoleFile), readError.line) +
          readError.message);
    return false;
  }
  wordSize_ = record->tag;
  tag_ = record->tag;
  return KeepResults(place, record->tag, base + ".results.txt", run);
}

void Sweep::Ended(const ChildOutcome& outcome, RunEntry& run) const {
  switch (outcome.end) {
    case ChildEnd::kNotStarted:
      run.reason = outcome.error;
      break;
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
}

bool Sweep::RunClients(const Place& place, const std::string& base, int clients,
                       RunEntry& run, std::optional<RunRecord>& record) {
  run.clients = clients;
  run.clientsFolder = base;
  run.consoleFile = base + "/mpirun.stdout.txt";
  run.errorFile = base + "/mpirun.stderr.txt";
  std::error_code code;
  fs::create_directories(InFolder(place, base), code);
  if (code) {
    Fatal(InFolder(place, base) + ": cannot create the folder (" +
          code.message() + ")");
    return false;
  }
  const auto start = std::chrono::steady_clock::now();
  launch_->directory = place.directory;
  const LaunchOutcome outcome =
      LaunchClients(*launch_, clients, run.threads, InFolder(place, base));
  run.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  run.probeAfter = RunProbe(place.directory);
  if (!outcome.clients) {
    run.reason = outcome.error;
    if (outcome.mpirun.end == ChildEnd::kInterrupted) {
      run.status = RunStatus::kInterrupted;
      return true;
    }
    // A launch that never worked is the setup's fault, not a run's.
    if (!wordSize_ || outcome.mpirun.end == ChildEnd::kNotStarted) {
      Fatal(outcome.error);
      return false;
    }
    return true;
  }
  if (outcome.mpirun.end == ChildEnd::kInterrupted) {
    run.status = RunStatus::kInterrupted;
    run.reason = "interrupted";
    return true;
  }
  std::vector<RunRecord> records;
  std::string failures;
  for (const ClientResult& client : *outcome.clients) {
    const std::string console =
        InFolder(place, base + "/" + client.consoleFile);
    InputError readError;
    std::optional<RunRecord> read;
    if (client.status == RunStatus::kOk &&
        LoadInputText(console, text_, readError) &&
        CheckInputText(text_, readError)) {
      read = ReadRunRecord(text_, console, readError);
    }
    if (client.status == RunStatus::kOk && !read) {
      failures += (failures.empty() ? "" : "; ") + ClientName(client.client) +
                  ": its output is not the benchmark's: " + readError.message;
    } else if (client.status != RunStatus::kOk) {
      failures += (failures.empty() ? "" : "; ") + ClientName(client.client) +
                  " (" + client.host + "): " + client.reason;
    }
    if (read) records.push_back(std::move(*read));
  }
  if (!failures.empty() || records.empty()) {
    run.reason = failures.empty() ? "no client handed anything over" : failures;
    return true;
  }
  run.status = RunStatus::kOk;
  wordSize_ = records.front().tag;
  tag_ = records.front().tag;
  record = SumOfClients(records, base);
  return true;
}

bool Sweep::KeepResults(const Place& place, int tag, const std::string& name,
                        RunEntry& run) {
  const fs::path results = fs::path(place.directory) / ResultsFileName(tag);
  std::error_code code;
  if (!fs::is_regular_file(results, code)) return true;  // console only
  fs::copy_file(results, InFolder(place, name),
                fs::copy_options::overwrite_existing, code);
  if (code) {
    const std::string reason = code.message();
    fs::remove(InFolder(place, name), code);  // what part of it was written
    Fatal("cannot keep " + results.string() + " as " + InFolder(place, name) +
          " (" + reason + ")");
    return false;
  }
  run.resultsFile = name;
  return true;
}

}  // namespace

int RunSweep(const SweepOptions& options, std::string& folder) {
  std::string program;
  std::string why;
  if (!ResolveProgram(options, program)) return kSweepFailed;
  std::vector<Place> places;
  std::vector<std::string> directories = options.directories;
  if (directories.empty()) directories.emplace_back();
  for (std::size_t d = 0; d < directories.size(); ++d) {
    Place place;
    place.directory = directories[d];
    if (!CheckDirectory(place.directory)) return kSweepFailed;
    place.label =
        d < options.labels.size() ? options.labels[d] : place.directory;
    for (const Place& before : places) {
      if (before.directory == place.directory) {
        PrintError("--dir " + place.directory + ": given twice");
        return kSweepFailed;
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
      return kSweepFailed;
    }
    if (!CheckDirectory(control.directory)) return kSweepFailed;
    places.push_back(std::move(control));
  }
  if (options.dropCaches && !CanDropFileCache(why)) {
    PrintError("--drop-caches: " + why);
    return kSweepFailed;
  }
  if (options.settle && !CanSettle(why)) {
    PrintError("--settle: " + why);
    return kSweepFailed;
  }
  std::optional<ClientLaunch> launch;
  if (!options.clients.empty()) {
    launch = ClientLaunch{};
    if (!PrepareLaunch(options, program, places.front().directory, *launch)) {
      return kSweepFailed;
    }
  }
  if (!MakeFolder(options.out, folder)) return kSweepFailed;
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
        return kSweepFailed;
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
  return Sweep(options, program, std::move(places), std::move(launch)).Run();
}
