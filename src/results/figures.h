// What each figure of a run is: its names, the count its rate is credited
// with, and the units derived from its rate. The one place that converts a
// rate to MB/s or to millions of accesses per second.
#ifndef DRIVES_RESULTS_FIGURES_H_
#define DRIVES_RESULTS_FIGURES_H_

#include "results/run_record.h"

// "files", "byte_write", ...: names for machines (CSV, JSON).
const char* FigureKey(Figure figure);
// "files", "byte-wise write", ...: names for people.
const char* FigureTitle(Figure figure);
// The figure's phase and measurement: ("files", "files"),
// ("byte_wise", "write"), ("bulk", "read"), ...
const char* FigurePhaseKey(Figure figure);
const char* FigureMeasurementKey(Figure figure);

// The byte-wise and bulk figures move bytes; the files figure counts cycles.
bool IsTransfer(Figure figure);
// The operations a rate is credited with: cycles or one-byte accesses.
double NominalCount(Figure figure);

double MegabytesPerSecond(double rate);
double MillionsPerSecond(double rate);

// "the file-handling phase", "the parallel bulk phase", ...
const char* SectionTitle(Section section);
// "files", "parallel_bulk", ...
const char* SectionKey(Section section);

#endif  // DRIVES_RESULTS_FIGURES_H_
