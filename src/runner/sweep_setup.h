// Before a sweep's first run: the program found, every directory checked
// and given its run folder, mpirun and the agent found for --clients, and
// each drive's ceiling measured.
#ifndef DRIVES_RUNNER_SWEEP_SETUP_H_
#define DRIVES_RUNNER_SWEEP_SETUP_H_

#include <optional>
#include <string>
#include <vector>

#include "runner/client_launch.h"
#include "runner/place.h"
#include "runner/sweep.h"

// Sets up the sweep of `options`; false with the cause said when it cannot
// start. `folder` is set to the run folder once it exists.
bool SetUpSweep(const SweepOptions& options, std::string& program,
                std::vector<Place>& places, std::optional<ClientLaunch>& launch,
                std::string& folder);

#endif  // DRIVES_RUNNER_SWEEP_SETUP_H_
