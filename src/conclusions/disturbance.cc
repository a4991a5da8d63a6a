#include "conclusions/disturbance.h"

#include <map>
#include <optional>

#include "statistics/summary.h"

namespace {

// Cores' worth of `seconds` over the run's wall time.
std::optional<double> Cores(const std::optional<double>& seconds, double wall) {
  if (!seconds || !(wall > 0)) return std::nullopt;
  return *seconds / wall;
}

// The median of the probes' positive times, one list per side and part.
struct Typical {
  double memory[2] = {0, 0};
  double disk[2] = {0, 0};
};

Typical TypicalProbes(const std::vector<RunEntry>& runs) {
  Typical typical;
  for (int side = 0; side < 2; ++side) {
    std::vector<double> memory;
    std::vector<double> disk;
    for (const RunEntry& run : runs) {
      const std::optional<ProbeTimes>& probe =
          side == 0 ? run.probeBefore : run.probeAfter;
      if (!probe) continue;
      if (probe->memorySeconds > 0) memory.push_back(probe->memorySeconds);
      if (probe->diskSeconds > 0) disk.push_back(probe->diskSeconds);
    }
    if (!memory.empty()) typical.memory[side] = Median(memory);
    if (!disk.empty()) typical.disk[side] = Median(disk);
  }
  return typical;
}

bool Slow(double time, double typical) {
  return typical > 0 && time > typical * kProbeSlowdown;
}

}  // namespace

Disturbance JudgeDisturbance(const std::vector<RunEntry>& runs) {
  Disturbance d;
  const Typical typical = TypicalProbes(runs);
  std::vector<double> others;
  int marked = 0;
  for (const RunEntry& run : runs) {
    bool busy = false;
    if (const auto other = Cores(run.otherCpuSeconds, run.wallSeconds)) {
      others.push_back(*other);
      busy = *other > kBusyCores;
    }
    if (const auto stolen = Cores(run.stealSeconds, run.wallSeconds)) {
      busy = busy || *stolen > kStolenCores;
    }
    for (int side = 0; side < 2; ++side) {
      const std::optional<ProbeTimes>& probe =
          side == 0 ? run.probeBefore : run.probeAfter;
      if (probe && (Slow(probe->memorySeconds, typical.memory[side]) ||
                    Slow(probe->diskSeconds, typical.disk[side]))) {
        busy = true;
      }
    }
    d.marked.push_back(busy);
    marked += busy ? 1 : 0;
  }
  if (!others.empty()) d.otherCores = Median(others);
  d.busyThroughout = runs.size() >= kFewestRunsForBusy &&
                     2 * marked > static_cast<int>(runs.size());
  return d;
}

void MarkDisturbed(const Manifest& manifest, std::vector<RunMark>& marks) {
  const Disturbance d = JudgeDisturbance(manifest.runs);
  std::map<int, bool> byIndex;
  for (std::size_t r = 0; r < manifest.runs.size(); ++r) {
    const RunEntry& run = manifest.runs[r];
    // A run without any of the measures keeps its manifest's mark.
    const bool measured = run.otherCpuSeconds || run.stealSeconds ||
                          run.probeBefore || run.probeAfter;
    byIndex[run.index] = measured ? d.marked[r] : run.disturbed;
  }
  for (RunMark& mark : marks) {
    const auto found = byIndex.find(mark.number);
    if (found != byIndex.end()) mark.disturbed = found->second;
  }
}
