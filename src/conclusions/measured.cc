#include "conclusions/measured.h"

#include "statistics/paired_ratio.h"
#include "statistics/ratio_estimate.h"
#include "statistics/summary.h"

namespace {

bool Writes(Figure figure) {
  return figure == Figure::kByteWrite || figure == Figure::kBulkWrite;
}

}  // namespace

const char* MeasuredKey(Measured measured) {
  switch (measured) {
    case Measured::kDrive:
      return "drive";
    case Measured::kFileSystem:
      return "file-system";
    case Measured::kCache:
      return "cache";
    case Measured::kUnknown:
      break;
  }
  return "unknown";
}

std::optional<double> CeilingOf(const FigureRow& row,
                                const std::optional<int>& threads,
                                const DriveCeiling& ceiling) {
  if (row.kind != FigureRow::Kind::kSingle &&
      row.kind != FigureRow::Kind::kTotal) {
    return std::nullopt;
  }
  // A team of one is one stream.
  const bool team =
      row.kind == FigureRow::Kind::kTotal && !(threads && *threads == 1);
  if (row.figure == Figure::kFiles) {
    return team ? std::nullopt : ceiling.syncFilesPerS;
  }
  if (team) {
    return Writes(row.figure) ? ceiling.teamDirectWriteMbS
                              : ceiling.teamDirectReadMbS;
  }
  return Writes(row.figure) ? ceiling.directWriteMbS : ceiling.directReadMbS;
}

FigureMeasured JudgeMeasured(const FigureRow& row,
                             const std::optional<int>& threads,
                             const std::vector<double>& values,
                             const std::optional<DriveCeiling>& ceiling,
                             const std::vector<double>* control, bool paired,
                             double minEffect) {
  FigureMeasured m;
  if (row.kind == FigureRow::Kind::kImprovement) {
    m.why = "a ratio of two figures";
    return m;
  }
  if (values.empty()) return m;
  const double median = Median(values);
  if (ceiling) m.ceiling = CeilingOf(row, threads, *ceiling);
  if (m.ceiling && *m.ceiling > 0) m.ceilingRatio = median / *m.ceiling;
  if (control && !control->empty()) {
    const std::optional<RatioEstimate> against =
        paired ? EstimatePairedRatio(values, *control)
               : EstimateRatio(values, *control);
    if (against) {
      m.memoryRatio = against->ratio;
      m.memoryLow = against->low;
      m.memoryHigh = against->high;
    }
  }
  const bool files = row.figure == Figure::kFiles;
  // Clearly below the control: the whole interval under 1 - the effect.
  const bool judged = m.memoryRatio && m.memoryHigh;
  if (judged && !(*m.memoryHigh < 1 - minEffect)) {
    m.measured = Measured::kCache;
    m.why = "no slower than the memory control";
    return m;
  }
  const double near = files ? kNearSyncFiles : kAboveCeiling;
  if (!judged) {
    // Without the control, only a figure beyond what the drive can do is
    // told: the cache's.
    if (!files && m.ceilingRatio && *m.ceilingRatio > near) {
      m.measured = Measured::kCache;
      m.why = std::string("above the drive's direct-I/O ") +
              (Writes(row.figure) ? "write" : "read") + " ceiling";
    } else {
      m.why = control && !control->empty()
                  ? "the memory control's runs cannot tell"
                  : "no memory control beside it (run --control)";
    }
    return m;
  }
  if (!m.ceilingRatio) {
    m.why = !ceiling ? "the drive's ceiling was not measured"
            : !files && !ceiling->directIoRefused.empty()
                ? "no direct-I/O ceiling (" + ceiling->directIoRefused + ")"
                : std::string("no ceiling for this figure");
    return m;
  }
  const std::string kind = files ? "synchronous files/s" : "direct-I/O ceiling";
  if (*m.ceilingRatio <= near) {
    m.measured = Measured::kDrive;
    m.why = "slower than memory, within the drive's " + kind;
  } else {
    m.measured = Measured::kFileSystem;
    m.why = "slower than memory, but far above the drive's " + kind +
            ": the file system's work in memory";
  }
  return m;
}

bool SameMeasure(const FigureMeasured& a, const FigureMeasured& b) {
  return a.measured == b.measured && a.ceiling == b.ceiling &&
         a.ceilingRatio == b.ceilingRatio && a.memoryRatio == b.memoryRatio &&
         a.memoryLow == b.memoryLow && a.memoryHigh == b.memoryHigh &&
         a.why == b.why;
}
