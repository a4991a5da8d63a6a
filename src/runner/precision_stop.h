// The stopping rule of --precision: a sweep goes on in rounds until every
// figure in every cell is within the precision asked for, or cannot get
// there within --max-runs (then named once, and no longer waited for).
#ifndef DRIVES_RUNNER_PRECISION_STOP_H_
#define DRIVES_RUNNER_PRECISION_STOP_H_

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "runner/place.h"
#include "runner/progress.h"
#include "runner/sweep.h"

class PrecisionStop {
 public:
  explicit PrecisionStop(const SweepOptions& options) : options_(options) {}

  // Whether every figure is within it, over the runs the places hold; the
  // figures given up are kept in the places' manifests and said.
  bool Reached(std::vector<Place>& places, const std::vector<SweepCell>& cells,
               Progress& progress);

 private:
  const SweepOptions& options_;
  // The figures no longer waited for: place, cell, key.
  std::set<std::tuple<std::size_t, SweepCell, std::string>> givenUp_;
};

#endif  // DRIVES_RUNNER_PRECISION_STOP_H_
