// Numbers as the report prints them: 6 significant digits in the general
// notation, with a signed three-digit exponent on every platform.
#include <gtest/gtest.h>

#include "driver/number_format.h"

namespace {

TEST(FormatNumberTest, PlainValuesKeepSixSignificantDigitsWithoutZeros) {
  EXPECT_EQ(FormatNumber(0.5), "0.5");
  EXPECT_EQ(FormatNumber(15.0), "15");
  EXPECT_EQ(FormatNumber(12.345678), "12.3457");
  EXPECT_EQ(FormatNumber(33554432 / 1000000.0), "33.5544");
  EXPECT_EQ(FormatNumber(33554432 / 1048576.0), "32");
  EXPECT_EQ(FormatNumber(0.0), "0");
}

TEST(FormatNumberTest, ExponentHasSignAndThreeDigits) {
  EXPECT_EQ(FormatNumber(2e6), "2e+006");
  EXPECT_EQ(FormatNumber(1e-5), "1e-005");
  EXPECT_EQ(FormatNumber(1.234e-5), "1.234e-005");
  EXPECT_EQ(FormatNumber(-2.5e7), "-2.5e+007");
  EXPECT_EQ(FormatNumber(1e100), "1e+100");
  EXPECT_EQ(FormatNumber(1.5e-300), "1.5e-300");
}

TEST(FormatNumberTest, SwitchesToExponentAtOneMillionAndBelowOneTenThousandth) {
  EXPECT_EQ(FormatNumber(999999.0), "999999");
  EXPECT_EQ(FormatNumber(999999.5), "1e+006");  // rounds up to 7 digits
  EXPECT_EQ(FormatNumber(1000000.0), "1e+006");
  EXPECT_EQ(FormatNumber(1234567.0), "1.23457e+006");
  EXPECT_EQ(FormatNumber(0.0001), "0.0001");
  EXPECT_EQ(FormatNumber(0.000099999), "9.9999e-005");
}

TEST(FormatNumberTest, IntegersArePlainDecimal) {
  EXPECT_EQ(FormatNumber(0), "0");
  EXPECT_EQ(FormatNumber(16), "16");
  EXPECT_EQ(FormatNumber(-3), "-3");
}

}  // namespace
