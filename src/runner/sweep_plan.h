// The plan of a sweep, kept in every place's manifest: what it runs, how
// often, in what cells (client and thread counts), and the seed of its
// rounds' orders.
#ifndef DRIVES_RUNNER_SWEEP_PLAN_H_
#define DRIVES_RUNNER_SWEEP_PLAN_H_

#include <string>
#include <vector>

#include "runner/place.h"
#include "runner/sweep.h"

// Writes the plan into each place's manifest; returns the cells of a round.
std::vector<SweepCell> PlanSweep(const SweepOptions& options,
                                 const std::string& program,
                                 std::vector<Place>& places);

#endif  // DRIVES_RUNNER_SWEEP_PLAN_H_
