// What a figure measured: the drive, its file system's work in memory, or
// the cache, told from the drive's own ceiling (direct I/O, synchronous
// files) and from the memory-backed control run beside it.
#ifndef DRIVES_CONCLUSIONS_MEASURED_H_
#define DRIVES_CONCLUSIONS_MEASURED_H_

#include <optional>
#include <string>
#include <vector>

#include "device/drive_ceiling.h"
#include "results/figure_rows.h"

enum class Measured { kDrive, kFileSystem, kCache, kUnknown };

// "drive", "file-system", "cache", "unknown": for machines.
const char* MeasuredKey(Measured measured);

struct FigureMeasured {
  Measured measured = Measured::kUnknown;
  std::optional<double> ceiling;       // the ceiling it is held against
  std::optional<double> ceilingRatio;  // its median over that ceiling
  // It over its memory control: paired by round within one sweep, with the
  // 95% interval.
  std::optional<double> memoryRatio;
  std::optional<double> memoryLow;
  std::optional<double> memoryHigh;
  std::string why;  // in words: "above the drive's direct-I/O write ceiling"
};

// Whether two figures measured the same, for the same reason.
bool SameMeasure(const FigureMeasured& a, const FigureMeasured& b);

// A figure above its ceiling by more than this is not the drive's: the
// ceiling itself moves by up to this much from one measurement to the next
// here (a direct write of 630 or 1,390 MB/s on one disk).
constexpr double kAboveCeiling = 2.0;
// Files/s within this factor of the drive's synchronous files/s (each file
// written and synced) are the drive's: the benchmark's files test writes no
// data, so a sync mount's runs it at several times that (2,910 against 504
// here); far above it, the file system's work in memory (92,100 against
// 917).
constexpr double kNearSyncFiles = 10.0;

// The ceiling of `row` at `threads`: the direct-I/O write or read of one
// stream (of the team's streams for a team's total), the synchronous
// files/s for one thread's files; none where there is none.
std::optional<double> CeilingOf(const FigureRow& row,
                                const std::optional<int>& threads,
                                const DriveCeiling& ceiling);

// `values` (a column's runs of `row`) against `ceiling` and against the
// control's `control` values (paired with them where `paired`).
FigureMeasured JudgeMeasured(const FigureRow& row,
                             const std::optional<int>& threads,
                             const std::vector<double>& values,
                             const std::optional<DriveCeiling>& ceiling,
                             const std::vector<double>* control, bool paired,
                             double minEffect);

#endif  // DRIVES_CONCLUSIONS_MEASURED_H_
