// One directory of a sweep: where it runs, where its runs are kept, and
// what has been run there; and one cell of the sweep's plan.
#ifndef DRIVES_RUNNER_PLACE_H_
#define DRIVES_RUNNER_PLACE_H_

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "results/run_record.h"
#include "runs/manifest.h"

// A client count (none: a plain run) and a thread count (none: the
// runtime's default).
using SweepCell = std::pair<std::optional<int>, std::optional<int>>;

struct Place {
  std::string directory;
  std::string label;
  std::string role;    // "", or "control"
  std::string folder;  // its run folder
  Manifest manifest;
  // The records of the measured runs that succeeded, by cell.
  std::map<SweepCell, std::vector<RunRecord>> records;
};

// `name` in the place's run folder.
inline std::string InFolder(const Place& place, const std::string& name) {
  return (std::filesystem::path(place.folder) / name).string();
}

#endif  // DRIVES_RUNNER_PLACE_H_
