// The streams, timing records and bulk buffer that one thread's tests work
// on. The single-thread run has a slot of its own; in a parallel phase every
// thread uses the slot of its thread number.
#ifndef DRIVES_TESTS_TEST_SLOT_H_
#define DRIVES_TESTS_TEST_SLOT_H_

#include <fstream>
#include <ios>
#include <memory>

#include "driver/warnings.h"
#include "tests/timing_record.h"

// Test files are binary, so no byte is ever translated. The platforms'
// default sharing lets other readers and writers open them at the same time.
constexpr std::ios::openmode kTestWriteMode =
    std::ios::out | std::ios::trunc | std::ios::binary;
constexpr std::ios::openmode kTestReadMode = std::ios::in | std::ios::binary;

struct TestSlot {
  // File-handling test: opened and closed on every cycle.
  std::ofstream cycleWriter;
  std::ifstream cycleReader;
  TimingRecord files;

  // Byte-wise test. The byte writer stays open, unflushed, after its pass.
  std::ofstream byteWriter;
  std::ifstream mainReader;  // reopened by the bulk transfer test
  TimingRecord byteWrite;
  TimingRecord byteRead;

  // Bulk transfer test: the source's size, the buffer it was read into, and
  // the copy's writer.
  std::streamoff byteCount = 0;
  std::unique_ptr<char[]> buffer;
  std::ofstream bulkWriter;
  TimingRecord bulkRead;
  TimingRecord bulkWrite;
};

// The single-thread run's slot.
extern TestSlot mainSlot;

// Picks the single-thread slot for the measured loops; the parallel phases
// pass a picker that asks the runtime for the calling thread's slot instead.
struct SingleThreadSlot {
  static TestSlot& Get() { return mainSlot; }
  static int ThreadNumber() { return kNoThread; }
  // The single-thread bulk read rewinds before it allocates.
  static constexpr bool kAllocatesBeforeRewind = false;
};

#endif  // DRIVES_TESTS_TEST_SLOT_H_
