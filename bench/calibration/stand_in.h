// Stand-in runs of known truth: an input's columns of figures whose runs
// are drawn from a chosen distribution, with effects planted where asked.
#ifndef DRIVES_BENCH_CALIBRATION_STAND_IN_H_
#define DRIVES_BENCH_CALIBRATION_STAND_IN_H_

#include <vector>

#include "conclusions/run_values.h"
#include "statistics/random.h"

struct StandIn {
  std::size_t columns = 1;
  std::size_t figures = 15;
  std::size_t runs = 10;  // per column, interleaved over the columns
  bool logNormal = false;
  double cv = 0.03;
  // Effects, as fractions; 0: none.
  double slideAll = 0;     // every figure moves so much from first to last
  double slideOne = 0;     // figure 0 alone
  double firstAll = 0;     // the sweep's first run off in every figure
  double outlierOne = 0;   // one later run off in figure 0
  bool bimodal = false;    // figure 0: modes x0.75 apart, 4% CV, 30/70
  bool bulkWrite = false;  // figure 0: 600 or 2,850 MB/s, 30/70
  // Noise as machines make it: heavy tails (Student's t of so many degrees
  // of freedom, scaled to the CV; 0: none), and phases that last (AR(1)
  // over the sweep's run order, each figure its own series or all of them
  // one), both on the log scale.
  int tailsDf = 0;
  double rho = 0;
  bool sharedPhase = false;
};

std::vector<RunValues> MakeInput(const StandIn& s, Random& random);

// One value of mean 1 and the given coefficient of variation.
double Draw(bool logNormal, double cv, Random& random);

// A standard value of unit variance: normal, or Student's t of `df` (> 2)
// degrees of freedom, scaled.
double Standard(int df, Random& random);

#endif  // DRIVES_BENCH_CALIBRATION_STAND_IN_H_
