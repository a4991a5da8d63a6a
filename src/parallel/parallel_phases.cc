#include "parallel/parallel_phases.h"

#include <omp.h>

#include <iostream>
#include <string>
#include <vector>

#include "driver/build_tag.h"
#include "driver/report_lines.h"
#include "driver/report_sinks.h"
#include "driver/texts.h"
#include "parallel/slots.h"
#include "tests/bulk_transfer.h"
#include "tests/byte_access.h"
#include "tests/file_handling.h"

namespace {

// The byte-wise phase's totals follow two blank lines, the bulk phase's one.
constexpr int kByteWiseTotalsGap = 2;
constexpr int kBulkTotalsGap = 1;

// Called by every thread of the team. The first to arrive prints the header;
// the closing barrier of the single construct holds every thread until it is
// complete, so no measurement starts earlier.
void WritePhaseHeader(std::ostream& results, const char* header) {
#pragma omp single
  {
    WriteLine(std::cout, kMultiThreadEnabled);
    WriteLine(results, kMultiThreadEnabled);
    WriteLine(std::cout, header);
    WriteLine(std::cout, "");
    WriteLine(results, header);
    WriteLine(results, "");
  }
}

// One thread's lines for one transfer measurement; the console's access line
// says "Access", the results file's "Accesses".
void WriteThreadTransfer(std::ostream& results, int thread,
                         const TimingRecord& record, const char* secsSuffix) {
  const std::string elapsed =
      ThreadPrefix(thread) + ElapsedLine(record.elapsed, secsSuffix);
  const std::string mb = MbLine(record.rate);
  WriteLine(std::cout, elapsed);
  WriteLine(std::cout,
            ThreadPrefix(thread) + AccessLine(record.rate, kAccessPerSec));
  WriteLine(std::cout, mb);
  WriteLine(results, elapsed);
  WriteLine(results,
            ThreadPrefix(thread) + AccessLine(record.rate, kAccessesPerSec));
  WriteLine(results, mb);
}

// The calling thread's report of a write and a read measurement. Called
// inside the critical section that all parallel phases share.
void WriteThreadTransfers(std::ostream& results, const TimingRecord& write,
                          const TimingRecord& read) {
  const int thread = omp_get_thread_num();
  WriteThreadTransfer(results, thread, write, kSecsToWrite);
  WriteThreadTransfer(results, thread, read, kSecsToReadDot);
}

// After the join: write totals, their ratio to the single-thread write rate,
// then the same for the reads, and a closing blank line.
void WriteTransferTotals(std::ostream& results, int blankLinesBefore,
                         TimingRecord TestSlot::*write, double singleWrite,
                         TimingRecord TestSlot::*read, double singleRead) {
  const double writeTotal = SumRates(write);
  std::vector<std::string> writeLines(blankLinesBefore);
  writeLines.push_back(TotalAccessLine(writeTotal, kTotalToWrite));
  writeLines.push_back(TotalMbLine(kTotalWritingLead, writeTotal));
  WriteToBoth(results, writeLines);
  WriteToBoth(results, {ImprovementLine(writeTotal, singleWrite)});
  const double readTotal = SumRates(read);
  WriteToBoth(results, {TotalAccessLine(readTotal, kTotalToRead),
                        TotalMbLine(kTotalReadingLead, readTotal)});
  WriteToBoth(results, {ImprovementLine(readTotal, singleRead)});
  WriteToBoth(results, {""});
}

}  // namespace

void RunParallelFileHandling(std::ostream& results) {
#pragma omp parallel
  {
    WritePhaseHeader(results, kFilesHeader);
    RunCycleLoop<CallingThreadSlot>(kTestFileName);
#pragma omp critical
    {
      const int thread = omp_get_thread_num();
      const TimingRecord& files = slots[thread].files;
      const std::string elapsed =
          ThreadPrefix(thread) + ElapsedLine(files.elapsed, kSecs);
      const std::string rate =
          ThreadPrefix(thread) + FilesRateLine(kProcessLead, files.rate);
      WriteToBoth(results, {elapsed, rate});
    }
  }
  const double total = SumRates(&TestSlot::files);
  WriteToBoth(results, {"", "", TotalFilesLine(total)});
  WriteToBoth(results, {ImprovementLine(total, mainSlot.files.rate)});
  WriteToBoth(results, {""});
}

void RunParallelByteWise(std::ostream& results) {
#pragma omp parallel
  {
    WritePhaseHeader(results, kByteWiseHeader);
    RunWritePass<CallingThreadSlot>(kTestFileName);
    RunReadPass<CallingThreadSlot>(kTestFileName);
#pragma omp critical
    WriteThreadTransfers(results, CallingThreadSlot::Get().byteWrite,
                         CallingThreadSlot::Get().byteRead);
    CallingThreadSlot::Get().mainReader.close();
  }
  WriteTransferTotals(results, kByteWiseTotalsGap, &TestSlot::byteWrite,
                      mainSlot.byteWrite.rate, &TestSlot::byteRead,
                      mainSlot.byteRead.rate);
}

void RunParallelBulk(std::ostream& results) {
#pragma omp parallel
  {
    WritePhaseHeader(results, kBulkHeader);
    RunBulkRead<CallingThreadSlot>(kTestFileName);
    RunBulkWrite<CallingThreadSlot>(kCopyFileName);
    // The write figures come first, although the read was done first.
#pragma omp critical
    WriteThreadTransfers(results, CallingThreadSlot::Get().bulkWrite,
                         CallingThreadSlot::Get().bulkRead);
  }
  WriteTransferTotals(results, kBulkTotalsGap, &TestSlot::bulkWrite,
                      mainSlot.bulkWrite.rate, &TestSlot::bulkRead,
                      mainSlot.bulkRead.rate);
}
