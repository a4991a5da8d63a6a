// The bulk transfer test: the whole test file is read into memory with one
// request and written to a copy with one request.
#ifndef DRIVES_TESTS_BULK_TRANSFER_H_
#define DRIVES_TESTS_BULK_TRANSFER_H_

#include <omp.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <ios>
#include <iostream>
#include <limits>
#include <new>
#include <ostream>

#include "driver/report_sinks.h"
#include "driver/texts.h"
#include "driver/warnings.h"
#include "tests/nominal_counts.h"
#include "tests/stream_checks.h"
#include "tests/test_slot.h"

// A size the reader reported that a buffer can hold. An unopened reader
// reports -1; some file systems report the largest offset for a directory
// opened as a file, which no real file has.
inline bool IsValidByteCount(std::streamoff count) {
  return count >= 0 && count < std::numeric_limits<std::streamoff>::max() &&
         static_cast<std::uintmax_t>(count) <=
             static_cast<std::uintmax_t>(PTRDIFF_MAX);
}

// Allocates the slot's buffer for its byte count. Without a usable source the
// count becomes 0 and the console says so, as the byte-wise read does; an
// allocation that cannot be satisfied leaves a count of 0 and a warning
// instead of ending the run.
template <typename Slot>
void AllocateBulkBuffer(const char* fileName) {
  if (!Slot::Get().mainReader.is_open() ||
      !IsValidByteCount(Slot::Get().byteCount)) {
    Slot::Get().byteCount = 0;
    WriteLine(std::cout, kUnableToOpenFile);
  }
  const auto size = static_cast<std::size_t>(Slot::Get().byteCount);
  Slot::Get().buffer.reset(new (std::nothrow) char[size]);
  if (!Slot::Get().buffer) {
    Slot::Get().byteCount = 0;
    WarnNoBulkBuffer(fileName, size);
  }
}

// Reads the whole source file into the slot's buffer with one request and
// fills the bulkRead record. The allocation is part of what is timed. The
// reader stays open.
template <typename Slot>
void RunBulkRead(const char* fileName) {
  errno = 0;
  Slot::Get().bulkRead.start = omp_get_wtime();
  Slot::Get().mainReader.open(fileName, kTestReadMode);
  Slot::Get().mainReader.seekg(0, std::ios::end);
  Slot::Get().byteCount = Slot::Get().mainReader.tellg();
  if constexpr (Slot::kAllocatesBeforeRewind) {
    AllocateBulkBuffer<Slot>(fileName);
  }
  Slot::Get().mainReader.seekg(0);
  if constexpr (!Slot::kAllocatesBeforeRewind) {
    AllocateBulkBuffer<Slot>(fileName);
  }
  Slot::Get().mainReader.read(Slot::Get().buffer.get(), Slot::Get().byteCount);
  Slot::Get().bulkRead.end = omp_get_wtime();
  CompleteRecord(Slot::Get().bulkRead, kTransferAccesses);
  CheckReader(Slot::Get().mainReader, kBulkReadTest, Slot::ThreadNumber(),
              fileName, errno);
}

// Writes the slot's buffer to the copy file with one request and fills the
// bulkWrite record. The writer is neither flushed nor closed here.
template <typename Slot>
void RunBulkWrite(const char* fileName) {
  errno = 0;
  Slot::Get().bulkWrite.start = omp_get_wtime();
  Slot::Get().bulkWriter.open(fileName, kTestWriteMode);
  Slot::Get().bulkWriter.write(Slot::Get().buffer.get(), Slot::Get().byteCount);
  Slot::Get().bulkWrite.end = omp_get_wtime();
  CompleteRecord(Slot::Get().bulkWrite, kTransferAccesses);
  CheckWriter(Slot::Get().bulkWriter, kBulkWriteTest, Slot::ThreadNumber(),
              fileName, errno);
}

// Phase 3: the bulk read and write on the main thread, with their report.
void RunBulkPhase(std::ostream& results);

#endif  // DRIVES_TESTS_BULK_TRANSFER_H_
