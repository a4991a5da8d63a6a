// Which sizes a reader reports the bulk read may allocate a buffer for.
#include <gtest/gtest.h>

#include <ios>
#include <limits>

#include "tests/bulk_transfer.h"

namespace {

TEST(BulkByteCountTest, RealFileSizesAreUsable) {
  EXPECT_TRUE(IsValidByteCount(0));
  EXPECT_TRUE(IsValidByteCount(33554432));
}

TEST(BulkByteCountTest, FailedOrAbsurdPositionsAreNot) {
  EXPECT_FALSE(IsValidByteCount(-1));  // the reader was not open
  // What a directory opened as a file reports on some file systems.
  EXPECT_FALSE(IsValidByteCount(std::numeric_limits<std::streamoff>::max()));
  if (sizeof(void*) < sizeof(std::streamoff)) {
    EXPECT_FALSE(IsValidByteCount(std::streamoff{1} << 40));
  }
}

}  // namespace
