// The calibration table: for each rule, how often it flags stable inputs
// (its false alarms, with their upper 95% bound, which is what must meet
// the budget) and how often it finds planted effects (its detection, with
// its lower 95% bound), beside the rules as they were.
#ifndef DRIVES_BENCH_CALIBRATION_TABLE_H_
#define DRIVES_BENCH_CALIBRATION_TABLE_H_

#include <ostream>
#include <string>
#include <vector>

#include "conclusions/run_values.h"
#include "replay.h"
#include "stand_in.h"

// A count of inputs that something happened to.
struct Rate {
  int hits = 0;
  int inputs = 0;
  void Add(bool hit) {
    hits += hit ? 1 : 0;
    ++inputs;
  }
  double Share() const {
    return inputs ? static_cast<double>(hits) / inputs : 0;
  }
  double Upper() const;  // its one-sided 95% bounds
  double Lower() const;
};

// What each rule flags in one input.
struct Flags {
  bool drift = false;
  bool first = false;
  bool outlier = false;
  bool clusters = false;
  bool Any() const { return drift || first || outlier || clusters; }
};

Flags NewFlags(const std::vector<RunValues>& input, double minEffect);
Flags OldFlags(const std::vector<RunValues>& input);

// The rates of `inputs` inputs made by `make` under both sets of rules.
struct RuleRates {
  Rate anyNew, anyOld;
  Rate drift, first, outlier, clusters;  // new
  Rate driftOld, firstOld, outlierOld, clustersOld;
};
template <typename Make>
RuleRates Measure(int inputs, Make make, double minEffect) {
  RuleRates r;
  for (int i = 0; i < inputs; ++i) {
    const std::vector<RunValues> input = make();
    const Flags n = NewFlags(input, minEffect);
    const Flags o = OldFlags(input);
    r.anyNew.Add(n.Any());
    r.anyOld.Add(o.Any());
    r.drift.Add(n.drift);
    r.first.Add(n.first);
    r.outlier.Add(n.outlier);
    r.clusters.Add(n.clusters);
    r.driftOld.Add(o.drift);
    r.firstOld.Add(o.first);
    r.outlierOld.Add(o.outlier);
    r.clustersOld.Add(o.clusters);
  }
  return r;
}

// The stable stand-in inputs at one setting.
RuleRates StableStandIn(const StandIn& s, int inputs, std::uint64_t seed);

// Verdicts under no difference: the share of comparisons (one input
// against the baseline, every figure) with any difference claimed, and the
// share whose verdicts change when a third input joins the report (the old
// family: the whole report).
struct NullVerdicts {
  Rate differsNew, differsOld, changedByThirdNew, changedByThirdOld;
  Rate intervalDisagreesNew, intervalDisagreesOld;
};
NullVerdicts MeasureNullVerdicts(const StandIn& s, double effect, int inputs,
                                 std::uint64_t seed);

// Quantised rates: p < 0.05 while the interval touches 1, old and new.
struct TiedVerdicts {
  Rate touchingOld, touchingNew;
};
TiedVerdicts MeasureTies(int pairs, std::uint64_t seed);

// "About N runs a side would tell": of the comparisons left unsettled,
// how many get advice, how often the advice is no more than the runs made,
// and how often following it (fresh runs, the true effect and spread being
// the estimated ones) settles the comparison.
struct AdviceRates {
  Rate advisedNew, advisedOld;
  Rate notMoreOld;  // N no more than the runs made
  Rate settledNew, settledOld;
};
AdviceRates MeasureAdvice(double effect, double cv, int runs, int inputs,
                          std::uint64_t seed);

// --precision: given-up figures that would have got there, the sweep's
// runs against those it would make knowing from the start which figures
// can get there, and the runs-needed estimate within 30% of the truth.
struct PrecisionRates {
  Rate givenUpNew, givenUpOld;        // of all figures
  Rate wouldReachNew, wouldReachOld;  // of the given-up figures
  double runsOverOracleNew = 0;       // mean of the sweeps' ratios
  double runsOverOracleOld = 0;
  Rate estimateWithin30;  // of figures short of the target
};
PrecisionRates MeasurePrecision(double target, int maxRuns, int sweeps,
                                std::uint64_t seed);

// Writes the whole table, `inputs` per cell; `sweeps` may be empty.
void WriteTable(int inputs, const std::vector<RealRun>& sweeps,
                std::ostream& out);

#endif  // DRIVES_BENCH_CALIBRATION_TABLE_H_
