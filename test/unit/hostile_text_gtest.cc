// What drives-report makes of text and numbers from files it did not write:
// bytes that are not UTF-8, connection strings with passwords, nesting,
// out-of-range integers, values at the ends of the doubles' range.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "history/server_location.h"
#include "messages/utf8_text.h"
#include "reporters/svg_charts.h"
#include "runs/json_fields.h"
#include "runs/manifest.h"
#include "statistics/median_interval.h"

namespace {

TEST(Utf8TextTest, JsonRuleGivesEveryByteStringBack) {
  std::mt19937 random(5);
  // Random bytes, stray continuation bytes, and the rule's own range.
  std::vector<std::string> samples = {"",
                                      "plain",
                                      "x\xffy",
                                      "\xf4\x8f\xbc\x80",
                                      "\xf4\x8f\xbf\xbf\xff",
                                      "\xed\xa0\x80",
                                      "\xc0\xaf",
                                      "caf\xc3\xa9",
                                      "\xf4\x90\x80\x80"};
  for (int i = 0; i < 2000; ++i) {
    std::string bytes(random() % 12, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    samples.push_back(bytes);
  }
  for (const std::string& bytes : samples) {
    const std::string text = ToJsonText(bytes);
    EXPECT_EQ(FromJsonText(text), bytes);
    // Valid UTF-8 throughout: nlohmann writes it without throwing.
    EXPECT_NO_THROW(static_cast<void>(nlohmann::json(text).dump()));
  }
  EXPECT_EQ(ToJsonText("caf\xc3\xa9"), "caf\xc3\xa9");  // UTF-8 as it is
}

TEST(Utf8TextTest, PrintableEscapesControlsAndStrayBytesOnly) {
  EXPECT_EQ(Printable("x\x1b]0;t\x07y"), "x\\x1B]0;t\\x07y");
  EXPECT_EQ(Printable("a\nb\tc\x7f"), "a\\x0Ab\\x09c\\x7F");
  EXPECT_EQ(Printable("\xc2\x9b"
                      "2J"),
            "\\xC2\\x9B2J");  // C1 CSI
  EXPECT_EQ(Printable("x\xffy"), "x\\xFFy");
  EXPECT_EQ(Printable("1.06\xe2\x80\x93"
                      "1.15 \xc2\xb1"),
            "1.06\xe2\x80\x93"
            "1.15 \xc2\xb1");
}

TEST(Utf8TextTest, CutsBetweenCharacters) {
  std::string accents;
  for (int i = 0; i < 20; ++i) accents += "\xc3\xa9";
  EXPECT_EQ(CutAtCharacter(accents, 21).size(), 20u);
  EXPECT_EQ(CutAtCharacter(accents, 22).size(), 22u);
  EXPECT_EQ(CutAtCharacter("ab", 5), "ab");
}

TEST(ServerLocationTest, PasswordsMaskedInEveryShape) {
  EXPECT_EQ(MaskPassword("postgresql://u:se?cret@/db?host=/s"),
            "postgresql://u:***@/db?host=/s");
  EXPECT_EQ(MaskPassword("postgres:///db?host=/s&password=secret&port=1"),
            "postgres:///db?host=/s&password=***&port=1");
  EXPECT_EQ(MaskPassword("host=/s password = secret dbname=d"),
            "host=/s password=*** dbname=d");
  EXPECT_EQ(MaskPassword("host=/s password='a \\' b' dbname=d"),
            "host=/s password=*** dbname=d");
  EXPECT_EQ(MaskPassword("user=u password=secret port=5432"),
            "user=u password=*** port=5432");
  for (const char* unreadable :
       {"postgresql://u:secret@[]/db", "host=/s password='secret",
        "postgresql://u:sec/ret@h/db", "postgresql://a@b@c/db"}) {
    EXPECT_EQ(MaskPassword(unreadable).find("secret"), std::string::npos)
        << unreadable;
    EXPECT_EQ(MaskPassword(unreadable).find("sec"), std::string::npos)
        << unreadable;
  }
  EXPECT_EQ(MaskCommandWord("--history=postgresql://u:secret@/db"),
            "--history=postgresql://u:***@/db");
  EXPECT_EQ(MaskCommandWord("history.sqlite"), "history.sqlite");
  EXPECT_EQ(MaskCommandWord("--out=runs"), "--out=runs");
}

TEST(ServerLocationTest, ServersToldFromFiles) {
  for (const char* server : {"postgresql://h/db", "postgres://", "dbname=d",
                             "user=u password=p", " host = /s"}) {
    EXPECT_TRUE(IsServerLocation(server)) << server;
  }
  for (const char* file :
       {"history.sqlite", "/tmp/a=b/history.sqlite", "./user=u", "", "=x"}) {
    EXPECT_FALSE(IsServerLocation(file)) << file;
  }
}

TEST(ManifestFieldsTest, NestingAndRangesRefusedNamingTheField) {
  EXPECT_TRUE(json_fields::NestingWithin(R"({"a": [[["]]]]]]"]]]})", 4));
  EXPECT_FALSE(json_fields::NestingWithin(std::string(50, '['), 20));
  EXPECT_TRUE(json_fields::NestingWithin("\"\\\"[[[[[[[[[[[[[[[[[[[[[\"", 2));
  Manifest m;
  std::string error;
  const std::string deep =
      "{\"schema\": \"drives-runs/2\", \"runs\": " + std::string(100000, '[') +
      std::string(100000, ']') + "}";
  EXPECT_FALSE(ManifestFromJson(deep, m, error));
  EXPECT_EQ(error, "nested deeper than 20 levels");
  for (const auto& [field, value] :
       {std::pair<const char*, const char*>{"index", "1099511627776"},
        {"index", "-5"},
        {"threads", "2147483648"},
        {"round", "-1"},
        {"index", "18446744073709551615"}}) {
    Manifest bad;
    const std::string text =
        std::string("{\"schema\": \"drives-runs/2\", \"runs\": [{\"") + field +
        "\": " + value + "}]}";
    EXPECT_FALSE(ManifestFromJson(text, bad, error)) << text;
    EXPECT_EQ(error.rfind(std::string("\"") + field + "\" is " + value, 0), 0u)
        << error;
  }
}

TEST(ChartAxisTest, TicksBoundedAtTheEndsOfTheDoubles) {
  for (const double top :
       {std::numeric_limits<double>::denorm_min(), 1e-310, 1e-300, 3.0, 1e15,
        1e300, std::numeric_limits<double>::max()}) {
    const std::vector<double> ticks = NiceTicks(top);
    EXPECT_LE(ticks.size(), 16u) << top;
    EXPECT_GE(ticks.back(), top) << top;
    EXPECT_TRUE(std::isfinite(ticks.back())) << top;
  }
  EXPECT_EQ(NiceTicks(10), (std::vector<double>{0, 2, 4, 6, 8, 10}));
}

TEST(OrderRankTest, LinearSumAgreesWithTheDirectOneAndLargeCountsAreCheap) {
  for (int n = 2; n <= 400; ++n) {
    int k = 1;
    while (2 * (k + 1) <= n && OrderCoverage(n, k + 1) >= kConfidence) ++k;
    EXPECT_EQ(OrderRank(n), k) << n;
  }
  // A count from a crafted history: the normal's tail, at once.
  const int k = OrderRank(2000000000);
  EXPECT_GT(k, 999900000);
  EXPECT_NEAR(OrderCoverage(2000000000, k), kConfidence, 1e-3);
}

}  // namespace
