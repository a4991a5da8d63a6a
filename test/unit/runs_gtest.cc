// The statistics of repeated runs, the manifest that records them, and the
// probes that mark disturbed runs.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "conclusions/disturbance.h"
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

TEST(DisturbanceTest, OtherProcessesFirstThenTheProbes) {
  // A quiet machine's runs: probes within 1.8 times their median, other
  // processes at 0.002 to 0.03 cores.
  std::vector<RunEntry> runs(8);
  for (std::size_t r = 0; r < runs.size(); ++r) {
    runs[r].wallSeconds = 4;
    runs[r].otherCpuSeconds = 0.01 * static_cast<double>(r % 3);
    runs[r].stealSeconds = 0;
    runs[r].probeBefore = ProbeTimes{0.0025 + 0.0002 * (r % 4), 0.0027};
    runs[r].probeAfter = ProbeTimes{0.0028, 0.0026 + 0.0001 * (r % 2)};
  }
  runs[5].probeBefore->memorySeconds = 0.0045;  // 1.7 times: noise
  Disturbance quiet = JudgeDisturbance(runs);
  EXPECT_EQ(quiet.marked, std::vector<bool>(8, false));
  EXPECT_FALSE(quiet.busyThroughout);
  // A compiler beside run 2, steal in run 3, a slow file probe after run 6.
  runs[2].otherCpuSeconds = 2.4;
  runs[3].stealSeconds = 0.8;
  runs[6].probeAfter->diskSeconds = 0.006;
  const Disturbance some = JudgeDisturbance(runs);
  EXPECT_EQ(some.marked, (std::vector<bool>{false, false, true, true, false,
                                            false, true, false}));
  EXPECT_FALSE(some.busyThroughout);
  // Busy throughout: every run beside a process that takes a core. The
  // probes, all alike slow, would tell nothing.
  for (RunEntry& run : runs) run.otherCpuSeconds = 3.6;
  const Disturbance busy = JudgeDisturbance(runs);
  EXPECT_TRUE(busy.busyThroughout);
  EXPECT_NEAR(busy.otherCores, 0.9, 1e-12);
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
