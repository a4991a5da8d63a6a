#include "tests/bulk_transfer.h"

#include "driver/build_tag.h"
#include "driver/report_lines.h"

void RunBulkPhase(std::ostream& results) {
  WriteToBoth(results, {kBulkHeader, ""});
  RunBulkRead<SingleThreadSlot>(kTestFileName);
  const TimingRecord& read = mainSlot.bulkRead;
  WriteToBoth(results,
              {ElapsedLine(read.elapsed, kSecsToReadColon),
               AccessLine(read.rate, kAccessesPerSec), MbLine(read.rate)});
  RunBulkWrite<SingleThreadSlot>(kCopyFileName);
  const TimingRecord& write = mainSlot.bulkWrite;
  WriteToBoth(results, {ElapsedLine(write.elapsed, kSecsToWrite),
                        AccessLine(write.rate, kAccessesPerSec),
                        MbLine(write.rate), ""});
  WriteToBoth(results, {""});
}
