#include "runner/one_run.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "driver/number_format.h"
#include "machine/system_info.h"
#include "messages/messages.h"
#include "results/client_sum.h"
#include "results/results_reader.h"
#include "results/tagged_names.h"
#include "runner/probe.h"
#include "runner/process.h"
#include "runs/client_results.h"

namespace fs = std::filesystem;

namespace {

// What the benchmark's closing prompt waits for.
constexpr char kEnter[] = "\n";

}  // namespace

RunMaker::RunMaker(const SweepOptions& options, std::string program,
                   std::optional<ClientLaunch> launch,
                   std::function<void(const std::string&)> fatal)
    : options_(options),
      program_(std::move(program)),
      launch_(std::move(launch)),
      fatal_(std::move(fatal)) {
  for (const int tag : kWordSizeTags) {
    if (fs::path(program_).stem() == ProgramName(tag)) tag_ = tag;
  }
}

bool RunMaker::Run(const Place& place, int index, const SweepCell& cell,
                   RunEntry& run, std::optional<RunRecord>& record) {
  const std::optional<int>& threads = cell.second;
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
    fatal_(outcome.error);
    return false;
  }
  Ended(outcome, run);
  if (run.status != RunStatus::kOk) return true;

  // The console tells the program's word size, and whether it is the
  // benchmark at all.
  InputError readError;
  record = ReadResultsFile(InFolder(place, run.consoleFile), run.consoleFile,
                           text_, readError);
  if (!record) {
    run.status = RunStatus::kFailed;
    run.reason = "its output is not the benchmark's: " +
                 Where(run.consoleFile, readError.line) + readError.message;
    if (wordSize_) return true;
    fatal_(program_ + " does not look like the benchmark: " +
           Where(InFolder(place, run.consoleFile), readError.line) +
           readError.message);
    return false;
  }
  wordSize_ = record->tag;
  tag_ = record->tag;
  return KeepResults(place, record->tag, base + ".results.txt", run);
}

void RunMaker::Ended(const ChildOutcome& outcome, RunEntry& run) const {
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

bool RunMaker::RunClients(const Place& place, const std::string& base,
                          int clients, RunEntry& run,
                          std::optional<RunRecord>& record) {
  run.clients = clients;
  run.clientsFolder = base;
  run.consoleFile = base + "/mpirun.stdout.txt";
  run.errorFile = base + "/mpirun.stderr.txt";
  std::error_code code;
  fs::create_directories(InFolder(place, base), code);
  if (code) {
    fatal_(InFolder(place, base) + ": cannot create the folder (" +
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
      fatal_(outcome.error);
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
    if (client.status == RunStatus::kOk) {
      read = ReadResultsFile(console, console, text_, readError);
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

bool RunMaker::KeepResults(const Place& place, int tag, const std::string& name,
                           RunEntry& run) {
  const fs::path results = fs::path(place.directory) / ResultsFileName(tag);
  std::error_code code;
  if (!fs::is_regular_file(results, code)) return true;  // console only
  fs::copy_file(results, InFolder(place, name),
                fs::copy_options::overwrite_existing, code);
  if (code) {
    const std::string reason = code.message();
    fs::remove(InFolder(place, name), code);  // what part of it was written
    fatal_("cannot keep " + results.string() + " as " + InFolder(place, name) +
           " (" + reason + ")");
    return false;
  }
  run.resultsFile = name;
  return true;
}
