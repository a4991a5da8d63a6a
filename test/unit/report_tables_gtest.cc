// The short labels of the inputs and the readable numbers of the table.
#include <gtest/gtest.h>

#include <cmath>

#include "cli/labels.h"
#include "reporters/readable_number.h"

namespace {

using Labels = std::vector<std::string>;

TEST(ShortLabelsTest, KeepsTheShortestPartThatTellsPathsApart) {
  EXPECT_EQ(ShortLabels({"/mnt/a/results_drives_64.txt", "b.txt"}),
            (Labels{"results_drives_64.txt", "b.txt"}));
  // A file name every input shares is dropped.
  EXPECT_EQ(ShortLabels({"/mnt/ssd/results_drives_64.txt",
                         "/mnt/hdd/results_drives_64.txt"}),
            (Labels{"ssd", "hdd"}));
  EXPECT_EQ(ShortLabels({"x/ssd/r.txt", "y/ssd/r.txt", "r.txt"}),
            (Labels{"x/ssd/r.txt", "y/ssd/r.txt", "r.txt"}));
  EXPECT_EQ(ShortLabels({"C:\\runs\\a.txt", "./a.txt"}),
            (Labels{"runs/a.txt", "a.txt"}));
}

TEST(ShortLabelsTest, StandardInputAndRepeatedPaths) {
  EXPECT_EQ(ShortLabels({"-", "a.txt", "a.txt"}),
            (Labels{"stdin", "a.txt", "a.txt (2)"}));
  EXPECT_EQ(ShortLabels({"r.txt"}), (Labels{"r.txt"}));
}

TEST(ReadableNumberTest, ThreeSignificantDigitsWithGroupedThousands) {
  EXPECT_EQ(ReadableNumber(109661), "110,000");
  EXPECT_EQ(ReadableNumber(1472.45), "1,470");
  EXPECT_EQ(ReadableNumber(999.6), "1,000");
  EXPECT_EQ(ReadableNumber(157.361), "157");
  EXPECT_EQ(ReadableNumber(1.85796), "1.86");
  EXPECT_EQ(ReadableNumber(0.0227882), "0.0228");
  EXPECT_EQ(ReadableNumber(-4321), "-4,320");
  EXPECT_EQ(ReadableNumber(0), "0");
  EXPECT_EQ(ReadableNumber(1e300), "1.00e+300");
  EXPECT_EQ(ReadableNumber(INFINITY), "inf");
  EXPECT_EQ(ReadableNumber(NAN), "nan");
  EXPECT_EQ(ReadableRatio(1.0512), "1.05x");
}

}  // namespace
