#include "runner/sweep_plan.h"

#include <filesystem>
#include <random>

#include "machine/system_info.h"
#include "messages/messages.h"

namespace fs = std::filesystem;

std::vector<SweepCell> PlanSweep(const SweepOptions& options,
                                 const std::string& program,
                                 std::vector<Place>& places) {
  std::vector<SweepCell> cells;
  Manifest plan;
  plan.programPath = program;
  plan.command = options.command;
  plan.created = UtcNow();
  plan.runsPerCount = options.precision ? 0 : options.runs;
  plan.timeoutSeconds = options.timeoutSeconds;
  plan.dropCaches = options.dropCaches;
  plan.warmup = options.warmup;
  plan.settle = options.settle;
  plan.precision = options.precision;
  plan.maxRuns = options.precision ? options.maxRuns : 0;
  plan.maxTimeSeconds = options.maxTimeSeconds;
  // The rounds' orders, and which directory goes first in each, drawn at
  // random and kept.
  if (options.precision || places.size() > 1) {
    plan.seed = options.seed ? *options.seed : std::random_device()();
  }
  if (options.threads.empty()) {
    plan.threadCounts.push_back(std::nullopt);
  } else {
    plan.threadCounts.assign(options.threads.begin(), options.threads.end());
  }
  plan.clientCounts = options.clients;
  plan.hostfile = options.hostfile;
  const std::vector<std::optional<int>> clients =
      options.clients.empty()
          ? std::vector<std::optional<int>>{std::nullopt}
          : std::vector<std::optional<int>>(options.clients.begin(),
                                            options.clients.end());
  for (const std::optional<int>& k : clients) {
    for (const std::optional<int>& t : plan.threadCounts)
      cells.emplace_back(k, t);
  }
  for (Place& place : places) {
    std::optional<DriveCeiling> ceiling =
        std::move(place.manifest.driveCeiling);
    place.manifest = plan;
    place.manifest.driveCeiling = std::move(ceiling);
    place.manifest.directory = place.directory;
    place.manifest.machine = DescribeMachine(place.directory);
    if (places.size() > 1) {
      place.manifest.label = place.label;
      place.manifest.role = place.role;
    }
  }
  if (places.size() > 1) {
    for (const Place& place : places) {
      const std::string inside =
          place.folder == places.front().folder
              ? std::string()
              : fs::path(place.folder).filename().string();
      places.front().manifest.directories.push_back(
          {place.directory, place.label,
           place.role.empty() ? std::string("drive") : place.role, inside});
    }
  }
  return cells;
}
