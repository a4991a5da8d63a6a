#include "results/figures.h"

#include "driver/report_lines.h"
#include "tests/nominal_counts.h"

namespace {

struct FigureNames {
  const char* key;
  const char* title;
  const char* phase;
  const char* measurement;
};

constexpr FigureNames kNames[kFigureCount] = {
    {"files", "files", "files", "files"},
    {"byte_write", "byte-wise write", "byte_wise", "write"},
    {"byte_read", "byte-wise read", "byte_wise", "read"},
    {"bulk_read", "bulk read", "bulk", "read"},
    {"bulk_write", "bulk write", "bulk", "write"},
};

constexpr const char* kSectionTitles[kSectionCount] = {
    "the banner",
    "the file-handling phase",
    "the byte-wise phase",
    "the bulk phase",
    "the parallel file-handling phase",
    "the parallel byte-wise phase",
    "the parallel bulk phase",
    "the closing lines",
};

constexpr const char* kSectionKeys[kSectionCount] = {
    "banner",        "files",          "byte_wise",
    "bulk",          "parallel_files", "parallel_byte_wise",
    "parallel_bulk", "closing",
};

const FigureNames& Names(Figure figure) {
  return kNames[static_cast<int>(figure)];
}

}  // namespace

const char* FigureKey(Figure figure) { return Names(figure).key; }
const char* FigureTitle(Figure figure) { return Names(figure).title; }
const char* FigurePhaseKey(Figure figure) { return Names(figure).phase; }
const char* FigureMeasurementKey(Figure figure) {
  return Names(figure).measurement;
}

bool IsTransfer(Figure figure) { return figure != Figure::kFiles; }

double NominalCount(Figure figure) {
  switch (figure) {
    case Figure::kFiles:
      return kCycleCount;
    case Figure::kByteWrite:
    case Figure::kByteRead:
      return kPassAccesses;
    case Figure::kBulkRead:
    case Figure::kBulkWrite:
      return kTransferAccesses;
  }
  return 0;
}

double MegabytesPerSecond(double rate) { return rate * kBytesToMegabytes; }
double MillionsPerSecond(double rate) { return rate / kAccessesPerMillion; }

const char* SectionTitle(Section section) {
  return kSectionTitles[static_cast<int>(section)];
}

const char* SectionKey(Section section) {
  return kSectionKeys[static_cast<int>(section)];
}
