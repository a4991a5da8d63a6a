#include "runner/sweep.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>

#include "conclusions/disturbance.h"
#include "files/whole_file.h"
#include "messages/messages.h"
#include "runner/client_launch.h"
#include "runner/one_run.h"
#include "runner/place.h"
#include "runner/precision_stop.h"
#include "runner/process.h"
#include "runner/progress.h"
#include "runner/sweep_plan.h"
#include "runner/sweep_setup.h"
#include "runs/json_fields.h"
#include "runs/manifest.h"

namespace fs = std::filesystem;

namespace {

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

// One sweep in progress.
class Sweep {
 public:
  Sweep(const SweepOptions& options, const std::string& program,
        std::vector<Place> places, std::optional<ClientLaunch> launch)
      : options_(options),
        program_(program),
        places_(std::move(places)),
        maker_(options, program, std::move(launch),
               [this](const std::string& what) { Fatal(what); }),
        stop_(options) {}
  Sweep(const Sweep&) = delete;
  Sweep& operator=(const Sweep&) = delete;

  int Run();

 private:
  // Makes one run of the sweep in `place` and records it; false when the
  // sweep cannot go on (it has said why).
  bool Step(Place& place, const SweepCell& cell, int round, bool warmup);
  // Whether no further run may start.
  bool Stopped() const;
  // Writes every place's manifest; false when one cannot be.
  bool WriteManifests(bool quiet = false);
  // Says why the sweep cannot go on, below the progress line.
  void Fatal(const std::string& what) {
    if (progress_) progress_->Done();
    PrintError(what);
  }

  const SweepOptions& options_;
  const std::string program_;
  std::vector<Place> places_;
  std::vector<SweepCell> cells_;
  RunMaker maker_;
  PrecisionStop stop_;
  const std::chrono::steady_clock::time_point start_ =
      std::chrono::steady_clock::now();
  std::optional<Progress> progress_;
  int index_ = 0;  // of the last run started
  bool failed_ = false;
};

bool Sweep::WriteManifests(bool quiet) {
  for (Place& place : places_) {
    place.manifest.wordSize = maker_.WordSize();
    if (!WriteManifest(place.folder, place.manifest, quiet)) return false;
  }
  return true;
}

int Sweep::Run() {
  cells_ = PlanSweep(options_, program_, places_);
  if (!WriteManifests()) return kSweepFailed;

  CatchInterrupts();
  const int counts = static_cast<int>(cells_.size() * places_.size());
  const int measured = options_.precision ? options_.maxRuns : options_.runs;
  const int total = (options_.warmup + measured) * counts;
  progress_.emplace(total, options_.precision.has_value());
  for (int w = 0; w < options_.warmup && !Stopped(); ++w) {
    for (const SweepCell& cell : cells_) {
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
    std::vector<SweepCell> thisRound = cells_;
    if (options_.precision) {
      std::shuffle(thisRound.begin(), thisRound.end(), order);
    }
    for (const SweepCell& cell : thisRound) {
      // The directories back to back, the first drawn at random: a phase
      // of the machine falls on every one alike.
      if (which.size() > 1) std::shuffle(which.begin(), which.end(), order);
      for (const std::size_t p : which) {
        if (Stopped()) break;
        if (!Step(places_[p], cell, round, false)) return kSweepFailed;
      }
    }
    if (options_.precision && round >= kFewestRounds &&
        stop_.Reached(places_, cells_, *progress_)) {
      break;
    }
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

bool Sweep::Step(Place& place, const SweepCell& cell, int round, bool warmup) {
  RunEntry run;
  run.round = round;
  run.warmup = warmup;
  progress_->Started(++index_, cell.second, warmup, cell.first,
                     places_.size() > 1 ? place.label : std::string());
  std::optional<RunRecord> record;
  const bool goOn = maker_.Run(place, index_, cell, run, record);
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

}  // namespace

int RunSweep(const SweepOptions& options, std::string& folder) {
  std::string program;
  std::vector<Place> places;
  std::optional<ClientLaunch> launch;
  if (!SetUpSweep(options, program, places, launch, folder)) {
    return kSweepFailed;
  }
  return Sweep(options, program, std::move(places), std::move(launch)).Run();
}
