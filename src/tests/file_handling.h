// The file-handling test: how many times per second a file is created (or
// truncated) for writing, opened again for reading, and both closed.
#ifndef DRIVES_TESTS_FILE_HANDLING_H_
#define DRIVES_TESTS_FILE_HANDLING_H_

#include <omp.h>

#include <ostream>

#include "tests/nominal_counts.h"
#include "tests/test_slot.h"

// Runs the cycle loop on the slot `Slot::Get()` gives and fills its files
// record. Opens and closes are not checked: every cycle counts.
template <typename Slot>
void RunCycleLoop(const char* fileName) {
  Slot::Get().files.start = omp_get_wtime();
  for (int cycle = 0; cycle < kCycleCount; ++cycle) {
    Slot::Get().cycleWriter.open(fileName, kTestWriteMode);
    Slot::Get().cycleReader.open(fileName, kTestReadMode);
    Slot::Get().cycleReader.close();
    Slot::Get().cycleWriter.close();
  }
  Slot::Get().files.end = omp_get_wtime();
  CompleteRecord(Slot::Get().files, kCycleCount);
}

// Phase 1: the cycle loop on the main thread, with its report.
void RunFileHandlingPhase(std::ostream& results);

#endif  // DRIVES_TESTS_FILE_HANDLING_H_
