#include "driver/run_sequence.h"

#include <omp.h>

#include <iostream>

#include "driver/build_tag.h"
#include "driver/number_format.h"
#include "driver/report_sinks.h"
#include "driver/texts.h"
#include "parallel/parallel_phases.h"
#include "parallel/thread_team.h"
#include "tests/bulk_transfer.h"
#include "tests/byte_access.h"
#include "tests/file_handling.h"
#include "tests/stream_checks.h"
#include "tests/test_slot.h"

namespace {

void WriteBanner() {
  const std::string threadCount =
      kThreadCountLead + FormatNumber(omp_get_max_threads());
  for (const char* line :
       {"", kTitle, kRightsNotice, kSupportNotice, "", "", ""}) {
    WriteLine(std::cout, line);
  }
  WriteLine(std::cout, threadCount);
  WriteLine(std::cout, "");
  WriteLine(resultsFile, kTitle);
  WriteLine(resultsFile, "");
  WriteLine(resultsFile, threadCount);
  WriteLine(resultsFile, "");
  WriteToBoth(resultsFile, {kForceSingleThread, ""});
}

// The single-thread streams still open after phase 3, closed in this order
// before the thread team starts: the byte writer's buffered tail reaches the
// test file only now.
void CloseSingleThreadStreams() {
  mainSlot.mainReader.close();
  CloseWriter(mainSlot.bulkWriter, kBulkWriteTest, kCopyFileName);
  CloseWriter(mainSlot.byteWriter, kByteWriteTest, kTestFileName);
}

void WaitForEnter() {
  WriteToBoth(resultsFile, {""});
  WriteLine(std::cout, kPressEnter);
  std::cin.get();  // Enter or the end of input ends the wait
}

}  // namespace

int RunBenchmark() {
  SetUpThreadTeam();
  OpenResultsFile();
  WriteBanner();
  RunFileHandlingPhase(resultsFile);
  RunByteWisePhase(resultsFile);
  RunBulkPhase(resultsFile);
  CloseSingleThreadStreams();
  RunParallelFileHandling(resultsFile);
  RunParallelByteWise(resultsFile);
  RunParallelBulk(resultsFile);
  WaitForEnter();
  return 0;
}
