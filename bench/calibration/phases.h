// The noise machines really make, beside the independent noise the other
// tables assume: heavy tails and phases that last several runs. How often
// each rule warns of stable stand-in inputs under it, how often two inputs
// made alike are said to differ (runs counted as independent, and as what
// they are worth), and how often a real difference is found.
#ifndef DRIVES_BENCH_CALIBRATION_PHASES_H_
#define DRIVES_BENCH_CALIBRATION_PHASES_H_

#include <cstdint>
#include <ostream>

#include "replay.h"
#include "stand_in.h"
#include "table.h"

// Of pairs of inputs made with `s`, the second `effect` larger in every
// figure: the share of pairs with any difference claimed, and of figures
// found to differ, with the runs counted as independent (old) and as what
// they are worth (new).
struct PairRates {
  Rate anyOld, anyNew;
  Rate figuresOld, figuresNew;
  Rate dependenceSaid;  // of the inputs
};
PairRates MeasurePairs(const StandIn& s, double effect, int pairs,
                       std::uint64_t seed);

// Of stable inputs made with `s`: each rule, any warning but the
// dependence, and the dependence said.
struct NoiseRates {
  RuleRates rules;
  Rate dependence;
};
NoiseRates MeasureNoise(const StandIn& s, int inputs, std::uint64_t seed);

void WritePhasesTable(int inputs, const std::vector<RealRun>& sweeps,
                      std::ostream& out);

#endif  // DRIVES_BENCH_CALIBRATION_PHASES_H_
