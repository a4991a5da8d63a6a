// The line templates: exact texts, the unit conversions and the sink forms.
#include <gtest/gtest.h>

#include "driver/report_lines.h"
#include "driver/texts.h"

namespace {

constexpr double kOneTestFilePerSecond = 33554432.0;

TEST(ReportLinesTest, ElapsedLineTakesEachSuffix) {
  EXPECT_EQ(ElapsedLine(10, kSecs), "The system spent: 10 Secs.");
  EXPECT_EQ(ElapsedLine(2, kSecsToWrite),
            "The system spent: 2 Secs. to Write.");
  EXPECT_EQ(ElapsedLine(0.5, kSecsToReadColon),
            "The system spent: 0.5 Secs. to Read:");
  EXPECT_EQ(ElapsedLine(0.5, kSecsToReadDot),
            "The system spent: 0.5 Secs. to Read.");
}

TEST(ReportLinesTest, FilesRateLineHasBothForms) {
  EXPECT_EQ(FilesRateLine(kProcessLead, 13109.2),
            "The system could process 13109.2 Files/sec.");
  EXPECT_EQ(FilesRateLine(kProcessLeadWide, 13109.2),
            "The system could process  13109.2 Files/sec.");
}

TEST(ReportLinesTest, AccessAndMbLinesConvertTheRate) {
  EXPECT_EQ(AccessLine(kOneTestFilePerSecond, kAccessesPerSec),
            "It was: 33.5544 Millions Accesses/sec.");
  EXPECT_EQ(AccessLine(kOneTestFilePerSecond, kAccessPerSec),
            "It was: 33.5544 Millions Access/sec.");
  EXPECT_EQ(MbLine(kOneTestFilePerSecond),
            "Conventionally, it was: 32 MB/sec.");
  // A byte-wise pass of 50331648 accesses in 2 seconds.
  EXPECT_EQ(AccessLine(50331648 / 2.0, kAccessesPerSec),
            "It was: 25.1658 Millions Accesses/sec.");
  EXPECT_EQ(MbLine(50331648 / 2.0), "Conventionally, it was: 24 MB/sec.");
  // A bulk transfer of 33554432 bytes in half a second.
  EXPECT_EQ(AccessLine(33554432 / 0.5, kAccessesPerSec),
            "It was: 67.1089 Millions Accesses/sec.");
  EXPECT_EQ(MbLine(33554432 / 0.5), "Conventionally, it was: 64 MB/sec.");
}

TEST(ReportLinesTest, ThreadPrefixHasNoSpaceAfterTheColon) {
  EXPECT_EQ(ThreadPrefix(0) + ElapsedLine(1, kSecs),
            "Thread:0 The system spent: 1 Secs.");
  EXPECT_EQ(ThreadPrefix(15), "Thread:15 ");
}

TEST(ReportLinesTest, TotalsAndImprovement) {
  EXPECT_EQ(TotalFilesLine(2e6),
            "Overall, The system could process: 2e+006 Files/sec.");
  EXPECT_EQ(TotalAccessLine(kOneTestFilePerSecond, kTotalToWrite),
            "Overall, It was: 33.5544 Millions Accesses/sec.to Write");
  EXPECT_EQ(TotalAccessLine(kOneTestFilePerSecond, kTotalToRead),
            "Overall, It was: 33.5544 Millions Accesses/sec.to Read");
  EXPECT_EQ(TotalMbLine(kTotalWritingLead, kOneTestFilePerSecond),
            "Conventionally, total writing speed was: 32 MB/sec.");
  EXPECT_EQ(TotalMbLine(kTotalReadingLead, kOneTestFilePerSecond),
            "Conventionally, total reading speed was: 32 MB/sec.");
  EXPECT_EQ(ImprovementLine(3, 2), "Multi-Thread Improvements: 1.5 times.");
}

}  // namespace
