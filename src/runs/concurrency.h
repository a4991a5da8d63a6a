// Whether the clients of a multi-client run really ran together: each
// phase's window on each client, from the times its console's lines
// appeared, and per phase the share of its time during which every client
// was in it. A sum over clients whose phases barely overlapped is not a
// concurrent figure.
#ifndef DRIVES_RUNS_CONCURRENCY_H_
#define DRIVES_RUNS_CONCURRENCY_H_

#include <array>
#include <optional>
#include <vector>

#include "results/run_record.h"
#include "runs/client_results.h"

// Below this overlap a phase's sum is not a figure of concurrent clients.
constexpr double kConcurrentOverlap = 0.5;

struct Concurrency {
  double startSkew = 0;  // the latest client's start minus the earliest's
  // Per section (the six phases): the length of the time every client was
  // in it over the length of the time any was; none where a client lacks
  // the phase's times.
  std::array<std::optional<double>, kSectionCount> overlap{};
};

// From each client's result and the record of its console (in the same
// order).
Concurrency MeasureConcurrency(const std::vector<ClientResult>& results,
                               const std::vector<RunRecord>& consoles);

// The phase a figure of the given kind is measured in.
Section PhaseOf(Figure figure, bool parallel);

#endif  // DRIVES_RUNS_CONCURRENCY_H_
