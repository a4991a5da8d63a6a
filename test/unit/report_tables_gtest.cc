// The short labels of the inputs, the readable numbers of the table, and
// tables that fit a terminal.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "cli/labels.h"
#include "comparison/columns.h"
#include "conclusions/conclusions.h"
#include "reporters/readable_number.h"
#include "reporters/reporter.h"
#include "reporters/svg_charts.h"
#include "stand_in.h"

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

// A run of `threads` threads whose every figure is `value` times `scale`
// (the files figure in thousands of files per second).
RunRecord Run(int threads, double scale, Random& random, double cv) {
  RunRecord run;
  run.threadCount = threads;
  run.tag = 64;
  for (const Figure f : kFigures) {
    const double rate =
        (f == Figure::kFiles ? 110000 : 150e6) * scale * Draw(true, cv, random);
    const double one = rate / threads * Draw(true, cv, random);
    run.single[static_cast<int>(f)] = Measurement{1, rate, 1};
    run.team[static_cast<int>(f)].total = one * threads;
    run.team[static_cast<int>(f)].improvement = one * threads / rate;
  }
  return run;
}

// An input of 10 runs at 1, 2 and 4 threads, `scale` times the baseline's
// figures; where `twoLevels`, each run falls on one of two levels.
ReportInput Input(const std::string& label, double scale, bool twoLevels,
                  Random& random) {
  ReportInput input;
  input.source = input.label = label;
  for (int r = 0; r < 10; ++r) {
    for (const int threads : {1, 2, 4}) {
      const double level = twoLevels && r % 3 == 0 ? 0.31 : 1;
      input.runs.push_back(Run(threads, scale * level, random, 0.03));
      input.marks.push_back({static_cast<int>(input.runs.size()), false});
      input.clients.emplace_back();
    }
  }
  return input;
}

// The widest line of the default table of `inputs`, in characters.
std::size_t WidestLine(std::vector<ReportInput> inputs) {
  Comparison comparison;
  comparison.inputs = std::move(inputs);
  comparison.baseline = 0;
  const Conclusions conclusions =
      Conclusions::Draw(comparison, ComparisonColumns(comparison));
  std::ostringstream out;
  MakeReporter("table")->Write(comparison, conclusions, out);
  std::size_t widest = 0;
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) {
    std::size_t width = 0;
    for (const char c : line) width += (c & 0xC0) != 0x80 ? 1 : 0;
    widest = std::max(widest, width);
  }
  return widest;
}

TEST(TimeChartTest, SessionLabelsNeverOverlap) {
  // The axis of history show: 560 pixels for 12 and for 200 sessions,
  // labels "12-09 #11" of 9 characters, 7 pixels each.
  for (const std::size_t sessions : {2, 12, 200}) {
    std::vector<double> centres;
    std::vector<double> widths;
    for (std::size_t i = 0; i < sessions; ++i) {
      centres.push_back(82 + 540.0 * i / (sessions - 1));
      widths.push_back(7.0 * (i < 9 ? 8 : 9));
    }
    const std::vector<std::size_t> shown = SpacedLabels(centres, widths);
    ASSERT_GE(shown.size(), 2u) << sessions;
    EXPECT_EQ(shown.front(), 0u);
    EXPECT_EQ(shown.back(), sessions - 1);
    for (std::size_t k = 1; k < shown.size(); ++k) {
      const std::size_t a = shown[k - 1];
      const std::size_t b = shown[k];
      EXPECT_GE(centres[b] - widths[b] / 2, centres[a] + widths[a] / 2)
          << sessions << " sessions: " << a << " and " << b;
    }
    if (sessions == 12) {
      EXPECT_GE(shown.size(), 6u);
    }
  }
}

TEST(TableWidthTest, TwoInputsWithin100ColumnsFourWithin160) {
  // Runs of two levels, differences small and large: the widest cells a
  // table has, the clusters and the verdicts that may be under the effect.
  Random random(5);
  const ReportInput baseline =
      Input("/mnt/ssd/drives-runs-20261209", 1, false, random);
  const ReportInput slower =
      Input("/mnt/hdd/drives-runs-20261209", 0.962, true, random);
  EXPECT_LE(WidestLine({baseline, slower}), 100u);
  const ReportInput faster = Input("/mnt/nvme/runs", 1.04, false, random);
  const ReportInput far = Input("/mnt/usb/runs", 0.0937, true, random);
  EXPECT_LE(WidestLine({baseline, slower, faster, far}), 160u);
}

}  // namespace
