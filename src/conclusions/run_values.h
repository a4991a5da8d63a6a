// One input's runs as the rules judge them: for each column (a thread
// count, or a client and thread count), each figure's value in every run,
// in the order the runs were made. The rules know nothing else of a run,
// so that the calibration can feed them runs of known truth.
#ifndef DRIVES_CONCLUSIONS_RUN_VALUES_H_
#define DRIVES_CONCLUSIONS_RUN_VALUES_H_

#include <cstddef>
#include <vector>

struct RunValues {
  std::vector<int> runs;  // each run's number in its sweep, ascending
  // [figure][run]: not-a-number where the run lacks the figure.
  std::vector<std::vector<double>> figures;
};

// The figure of a column a rule speaks of.
struct FigureAt {
  std::size_t column = 0;
  std::size_t figure = 0;
};

// How many figures of the input have any value: a rule that looks at each
// of them shares its budget among them.
std::size_t FiguresJudged(const std::vector<RunValues>& columns);

// The logs of the positive finite values of one figure, and the runs
// (indexes into RunValues::runs) they come from.
std::vector<double> LogValues(const std::vector<double>& values,
                              std::vector<std::size_t>* runs = nullptr);

#endif  // DRIVES_CONCLUSIONS_RUN_VALUES_H_
