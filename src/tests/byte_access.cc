#include "tests/byte_access.h"

#include "driver/build_tag.h"
#include "driver/report_lines.h"

void RunByteWisePhase(std::ostream& results) {
  WriteToBoth(results, {kByteWiseHeader, ""});
  RunWritePass<SingleThreadSlot>(kTestFileName);
  const TimingRecord& write = mainSlot.byteWrite;
  WriteToBoth(results,
              {ElapsedLine(write.elapsed, kSecsToWrite),
               AccessLine(write.rate, kAccessesPerSec), MbLine(write.rate)});
  RunReadPass<SingleThreadSlot>(kTestFileName);
  const TimingRecord& read = mainSlot.byteRead;
  WriteToBoth(results,
              {ElapsedLine(read.elapsed, kSecsToReadColon),
               AccessLine(read.rate, kAccessesPerSec), MbLine(read.rate), ""});
  mainSlot.mainReader.close();
}
