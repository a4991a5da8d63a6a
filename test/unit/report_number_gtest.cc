// Numbers in every form the C runtimes print for %g, and what is not one.
#include <gtest/gtest.h>

#include <cmath>

#include "results/report_number.h"

namespace {

TEST(ReportNumberTest, ReadsTheReportsOwnFormAndOtherRuntimes) {
  EXPECT_EQ(ParseReportNumber("109661"), 109661);
  EXPECT_EQ(ParseReportNumber("0.319849"), 0.319849);
  EXPECT_EQ(ParseReportNumber("2e+006"), 2e6);  // three-digit exponent
  EXPECT_EQ(ParseReportNumber("2e+06"), 2e6);   // two digits (glibc)
  EXPECT_EQ(ParseReportNumber("1.5e-005"), 1.5e-5);
  EXPECT_EQ(ParseReportNumber("-3"), -3);
}

TEST(ReportNumberTest, ShiftsTheDecimalPointBeforeRounding) {
  // 157.361 * 1e6 in doubles is not 157361000; the shift is exact.
  EXPECT_EQ(ParseReportNumber("157.361", 6), 157361000.0);
  EXPECT_EQ(ParseReportNumber("3261", 6), 3261000000.0);
  EXPECT_EQ(ParseReportNumber("1.2e-005", 6), 12.0);
}

TEST(ReportNumberTest, ReadsInfinityAndNotANumberInEveryForm) {
  for (const char* text : {"inf", "INF", "infinity", "1.#INF", "1.#INF00"}) {
    EXPECT_EQ(ParseReportNumber(text), INFINITY) << text;
  }
  EXPECT_EQ(ParseReportNumber("-1.#INF"), -INFINITY);
  EXPECT_EQ(ParseReportNumber("inf", 6), INFINITY);
  for (const char* text : {"nan", "-nan", "nan(ind)", "-nan(ind)", "1.#QNAN",
                           "-1.#IND", "1.#SNAN"}) {
    const std::optional<double> value = ParseReportNumber(text);
    ASSERT_TRUE(value.has_value()) << text;
    EXPECT_TRUE(std::isnan(*value)) << text;
  }
}

TEST(ReportNumberTest, RefusesAnythingElse) {
  for (const char* text :
       {"",      " 1",       "1 ",     "+1",
        "1,5",   "0x10",     "1e",     "1e+",
        "e5",    ".",        "-",      "1.#INFX",
        "1.#",   "nan(",     "nanx",   "infx",
        "12abc", "1e+00001", "1e+999", "99999999999999999999999999999999999"}) {
    EXPECT_FALSE(ParseReportNumber(text).has_value()) << '"' << text << '"';
  }
}

TEST(ReportNumberTest, IntegersArePlainDigits) {
  EXPECT_EQ(ParseReportInteger("0"), 0);
  EXPECT_EQ(ParseReportInteger("16"), 16);
  for (const char* text : {"", "-1", "1.0", "12345", " 1", "x"}) {
    EXPECT_FALSE(ParseReportInteger(text).has_value()) << text;
  }
}

}  // namespace
