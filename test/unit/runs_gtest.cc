// The statistics of repeated runs, the manifest that records them, and the
// probes that mark disturbed runs.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "runner/probe.h"
#include "runs/manifest.h"
#include "statistics/summary.h"

namespace {

TEST(SummaryTest, MedianSpreadAndSampleDeviation) {
  const Summary odd = Summarize({3, 1, 2});
  EXPECT_EQ(odd.runs, 3);
  EXPECT_EQ(odd.median, 2);
  EXPECT_EQ(odd.min, 1);
  EXPECT_EQ(odd.max, 3);
  EXPECT_EQ(odd.mean, 2);
  EXPECT_DOUBLE_EQ(odd.sd, 1);  // n - 1 in the divisor
  EXPECT_DOUBLE_EQ(odd.cv, 0.5);
  EXPECT_TRUE(odd.Noisy());
  EXPECT_EQ(Summarize({4, 1, 2, 3}).median, 2.5);
}

TEST(SummaryTest, OneRunIsNotNoisyAndNotANumberIsLeftOut) {
  const Summary one = Summarize({100});
  EXPECT_EQ(one.sd, 0);
  EXPECT_FALSE(one.Noisy());
  EXPECT_FALSE(Summarize({100, 105}).Noisy());
  const Summary some = Summarize({NAN, 10, 10});
  EXPECT_EQ(some.runs, 2);
  EXPECT_EQ(some.mean, 10);
  EXPECT_EQ(Summarize({}).runs, 0);
}

TEST(ManifestTest, ReadsBackWhatItWrites) {
  Manifest m;
  m.programPath = "/opt/drives64";
  m.wordSize = 64;
  m.command = {"drives-report", "run"};
  m.runsPerCount = 2;
  m.threadCounts = {1, std::nullopt};
  m.machine.processor = "CPU";
  m.machine.memoryBytes = 1ULL << 40;
  RunEntry run;
  run.index = 1;
  run.threads = 4;
  run.status = RunStatus::kTimedOut;
  run.reason = "still running";
  run.consoleFile = "run-001.console.txt";
  run.warmup = true;
  run.probeBefore = ProbeTimes{0.002, 0.0003};
  run.stealSeconds = 0.5;
  m.runs = {run};
  m.precision = 0.05;
  m.seed = 4000000000u;
  m.unreachable = {{4, "single.bulk_write", 0.35, 294}};
  Manifest back;
  std::string error;
  ASSERT_TRUE(ManifestFromJson(ManifestToJson(m).dump(), back, error)) << error;
  EXPECT_EQ(back.programPath, m.programPath);
  EXPECT_EQ(back.wordSize, 64);
  EXPECT_EQ(back.threadCounts, m.threadCounts);
  EXPECT_EQ(back.machine.memoryBytes, m.machine.memoryBytes);
  EXPECT_FALSE(back.machine.device.has_value());  // absent, not guessed
  ASSERT_EQ(back.runs.size(), 1u);
  EXPECT_EQ(back.runs[0].status, RunStatus::kTimedOut);
  EXPECT_EQ(back.runs[0].threads, 4);
  EXPECT_EQ(back.runs[0].consoleFile, run.consoleFile);
  EXPECT_TRUE(back.runs[0].warmup);
  EXPECT_EQ(back.runs[0].probeBefore->diskSeconds, 0.0003);
  EXPECT_FALSE(back.runs[0].probeAfter.has_value());
  EXPECT_EQ(back.runs[0].stealSeconds, 0.5);
  EXPECT_FALSE(back.runs[0].otherCpuSeconds.has_value());
  EXPECT_EQ(back.precision, 0.05);
  EXPECT_EQ(back.seed, 4000000000u);
  ASSERT_EQ(back.unreachable.size(), 1u);
  EXPECT_EQ(back.unreachable[0].runsNeeded, 294);
}

TEST(ProbeTest, MarksRunsClearlySlowerThanTheFastest) {
  std::vector<RunEntry> runs(3);
  runs[0].probeBefore = ProbeTimes{0.010, 0.001};
  runs[0].probeAfter = ProbeTimes{0.0105, 0.001};
  runs[1].probeBefore = ProbeTimes{0.010, 0.001};
  runs[1].probeAfter = ProbeTimes{0.016, 0.001};     // memory: 52% slower
  runs[2].probeBefore = ProbeTimes{0.014, 0.0013};   // files: 30% slower
  runs[2].probeAfter = ProbeTimes{0.0105, 0.00112};  // within the noise
  MarkDisturbed(runs);
  EXPECT_FALSE(runs[0].disturbed);
  EXPECT_TRUE(runs[1].disturbed);
  EXPECT_TRUE(runs[2].disturbed);
}

TEST(ManifestTest, RefusesWhatIsNotAManifest) {
  Manifest m;
  std::string error;
  EXPECT_FALSE(ManifestFromJson("{", m, error));
  EXPECT_FALSE(ManifestFromJson("[]", m, error));
  EXPECT_FALSE(ManifestFromJson(R"({"schema": "other"})", m, error));
  EXPECT_FALSE(ManifestFromJson(R"({"schema": "drives-runs/1"})", m, error));
  // Wrong types are skipped, not thrown.
  EXPECT_TRUE(ManifestFromJson(
      R"({"schema": "drives-runs/1", "program": 3, "plan": [],
          "runs": [{"index": "x", "threads": "four"}, 7]})",
      m, error));
  ASSERT_EQ(m.runs.size(), 1u);
  EXPECT_FALSE(m.runs[0].threads.has_value());
}

}  // namespace
