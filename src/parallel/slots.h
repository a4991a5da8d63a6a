// The per-thread slot table of the parallel phases: every thread of the team
// works on the slot of its thread number.
#ifndef DRIVES_PARALLEL_SLOTS_H_
#define DRIVES_PARALLEL_SLOTS_H_

#include <omp.h>

#include "tests/test_slot.h"
#include "tests/timing_record.h"

// Far more than any team uses; slots past the team's size keep zero rates.
constexpr int kSlotCapacity = 4096;

extern TestSlot slots[kSlotCapacity];

// Picks the calling thread's slot for the measured loops. The thread number
// is asked of the runtime at every use; that cost is part of what the
// parallel rates measure.
struct CallingThreadSlot {
  static TestSlot& Get() { return slots[omp_get_thread_num()]; }
  static int ThreadNumber() { return omp_get_thread_num(); }
  // The parallel bulk read allocates before it rewinds.
  static constexpr bool kAllocatesBeforeRewind = true;
};

// Sums the rate of `record` over slots 0, 1, ... in slot order, bounded by
// the runtime's thread count asked again at every step.
double SumRates(TimingRecord TestSlot::*record);

#endif  // DRIVES_PARALLEL_SLOTS_H_
