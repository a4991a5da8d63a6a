// The byte-wise access test: single-byte puts and gets through a buffered
// file stream, each pass with two repositionings in the middle.
#ifndef DRIVES_TESTS_BYTE_ACCESS_H_
#define DRIVES_TESTS_BYTE_ACCESS_H_

#include <omp.h>

#include <cerrno>
#include <iostream>
#include <ostream>

#include "driver/report_sinks.h"
#include "driver/texts.h"
#include "tests/nominal_counts.h"
#include "tests/stream_checks.h"
#include "tests/test_slot.h"

constexpr char kFillByte = ' ';

// Writes the test file byte by byte with the slot's byte writer and fills the
// byteWrite record. The writer stays open with whatever its buffer holds.
template <typename Slot>
void RunWritePass(const char* fileName) {
  errno = 0;
  Slot::Get().byteWrite.start = omp_get_wtime();
  Slot::Get().byteWriter.open(fileName, kTestWriteMode);
  for (int i = 0; i < kFirstPassLength; ++i) {
    Slot::Get().byteWriter.put(kFillByte);
  }
  Slot::Get().byteWriter.seekp(0);
  Slot::Get().byteWriter.seekp(kSecondPassOffset);
  for (int i = 0; i < kSecondPassLength; ++i) {
    Slot::Get().byteWriter.put(kFillByte);
  }
  Slot::Get().byteWrite.end = omp_get_wtime();
  CompleteRecord(Slot::Get().byteWrite, kPassAccesses);
  CheckWriter(Slot::Get().byteWriter, kByteWriteTest, Slot::ThreadNumber(),
              fileName, errno);
}

// Reads the test file to its end byte by byte, then its second half again,
// with the slot's main reader, and fills the byteRead record. The caller
// closes the reader.
template <typename Slot>
void RunReadPass(const char* fileName) {
  char byteSink;  // every get lands here; the value is never used
  errno = 0;
  Slot::Get().byteRead.start = omp_get_wtime();
  Slot::Get().mainReader.open(fileName, kTestReadMode);
  Slot::Get().mainReader.seekg(0);
  if (Slot::Get().mainReader.is_open()) {
    // good() rather than !eof(): a read error ends the loop as well.
    while (Slot::Get().mainReader.good()) {
      Slot::Get().mainReader.get(byteSink);
    }
  } else {
    WriteLine(std::cout, kUnableToOpenFile);
  }
  Slot::Get().mainReader.clear();
  Slot::Get().mainReader.seekg(0);
  Slot::Get().mainReader.seekg(kSecondPassOffset);
  for (int i = 0; i < kSecondPassLength; ++i) {
    Slot::Get().mainReader.get(byteSink);
  }
  Slot::Get().byteRead.end = omp_get_wtime();
  CompleteRecord(Slot::Get().byteRead, kPassAccesses);
  CheckReader(Slot::Get().mainReader, kByteReadTest, Slot::ThreadNumber(),
              fileName, errno);
}

// Phase 2: the write and read passes on the main thread, with their report.
void RunByteWisePhase(std::ostream& results);

#endif  // DRIVES_TESTS_BYTE_ACCESS_H_
