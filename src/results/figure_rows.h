// The figures people compare, one row each in the side-by-side table (and
// one chart each in the HTML report): the thread count, the single-thread
// figures, the parallel totals and their improvement ratios, in the units
// people read (files/s, MB/s, times).
#ifndef DRIVES_RESULTS_FIGURE_ROWS_H_
#define DRIVES_RESULTS_FIGURE_ROWS_H_

#include <optional>
#include <string>
#include <vector>

#include "results/run_record.h"

struct FigureRow {
  enum class Kind { kThreadCount, kSingle, kTotal, kImprovement };
  Kind kind;
  Figure figure;              // unused for kThreadCount
  std::string Label() const;  // "Bulk read, one thread (MB/s)"
  std::string Key() const;    // "single.bulk_read": for machines
  const char* Unit() const;   // "files/s", "MB/s", "times", "threads"
  // The row's value for one run, in its unit; none where the run lacks it.
  std::optional<double> Value(const RunRecord& run) const;
  // Whether a ratio of two inputs' values means anything here.
  bool Compares() const { return kind != Kind::kThreadCount; }
  // Its place in ComparedFigures(): a key for lookups.
  std::size_t Position() const;
};

// How many rows ComparedFigures() holds.
constexpr std::size_t kFigureRowCount = 1 + 3 * kFigureCount;

const std::vector<FigureRow>& ComparedFigures();

// "1 thread", "4 threads".
std::string ThreadsText(int threads);
// "1 client", "4 clients".
std::string ClientsText(int clients);

#endif  // DRIVES_RESULTS_FIGURE_ROWS_H_
