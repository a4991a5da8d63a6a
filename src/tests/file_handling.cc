#include "tests/file_handling.h"

#include <iostream>

#include "driver/build_tag.h"
#include "driver/report_lines.h"
#include "driver/report_sinks.h"
#include "driver/texts.h"

void RunFileHandlingPhase(std::ostream& results) {
  WriteToBoth(results, {kFilesHeader, ""});
  RunCycleLoop<SingleThreadSlot>(kTestFileName);
  const TimingRecord& files = mainSlot.files;
  WriteLine(std::cout, ElapsedLine(files.elapsed, kSecs));
  WriteLine(std::cout, FilesRateLine(kProcessLead, files.rate));
  WriteLine(std::cout, "");
  WriteLine(results, ElapsedLine(files.elapsed, kSecs));
  WriteLine(results, FilesRateLine(kProcessLeadWide, files.rate));
  WriteLine(results, "");
}
