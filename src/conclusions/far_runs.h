// How far off the others a run must lie (statistics/far_value.h) before a
// rule may say so. The thresholds were found by simulating runs of normal
// noise and of noise with the heavy tails real machines make (Student's t
// of 5 and of 3 degrees of freedom) (bench/calibration). A figure is
// judged against the heaviest tails that the input's other figures cannot
// rule out: a machine's noise is its own, not one figure's.
#ifndef DRIVES_CONCLUSIONS_FAR_RUNS_H_
#define DRIVES_CONCLUSIONS_FAR_RUNS_H_

#include <cstddef>
#include <vector>

#include "conclusions/run_values.h"

enum class FarRun {
  kFarthest,  // the run farthest from the median of all
  kFirst,     // a run chosen beforehand: the first
};

// The tails a figure's thresholds hold for.
enum class Tails {
  kNormal,
  kModerate,  // Student's t of 5 degrees of freedom
  kHeavy,     // Student's t of 3
};

// The far distance that `which` run of `n` exceeds with probability
// `alpha` at most (the table's nearest level at or below it), under noise
// with such tails.
double FarThreshold(FarRun which, Tails tails, std::size_t n, double alpha);

// The chance, under normal noise, that the farthest of `n` runs lies
// `distance` off or farther: on the line between the table's levels (the
// chance's log against the distance), 0.75 below its median, its last
// level beyond it.
double NormalFarthestChance(std::size_t n, double distance);

// One figure's farthest run among those after the sweep's first.
struct FarthestRun {
  FigureAt at;
  std::size_t n = 0;  // the figure's runs after the first
  double distance = 0;
};

// The logs of a figure's values without the sweep's first run (number
// `first`), and the runs they come from.
std::vector<double> LaterLogs(const RunValues& column, std::size_t figure,
                              int first, std::vector<std::size_t>* runs);

// The number of the sweep's first run among the columns; 0 if none.
int FirstRunNumber(const std::vector<RunValues>& columns);

// Every figure's farthest later run, where it has enough runs to tell.
std::vector<FarthestRun> FarthestLaterRuns(
    const std::vector<RunValues>& columns);

// The chance that the gate rules out tails the noise has, and the figures
// it needs to rule out any.
constexpr double kTailsMissed = 0.05;
constexpr std::size_t kFewestFiguresToTell = 5;

// The tails the figure `except` is judged for: from the other figures'
// farthest runs, their chances under normal noise combined (Fisher's sum
// of -2 log), the heaviest tails whose sums are not beyond their lowest
// kTailsMissed (a normal approximation of the sum's spread); heavy where
// fewer than kFewestFiguresToTell figures are there.
Tails TailsOf(const std::vector<FarthestRun>& farthest, FigureAt except);

#endif  // DRIVES_CONCLUSIONS_FAR_RUNS_H_
