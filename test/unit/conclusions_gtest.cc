// The rules on runs of known truth: what each finds where it is planted and
// leaves alone where it is not, the verdicts of one family whatever the
// report holds besides, intervals that agree with their verdicts, and a
// small fixed-seed slice of the calibration held to its budgets.
#include <gtest/gtest.h>

#include <cmath>

#include "conclusions/cluster_claims.h"
#include "conclusions/drift.h"
#include "conclusions/far_runs.h"
#include "conclusions/first_run.h"
#include "conclusions/history_judgement.h"
#include "conclusions/outlier_runs.h"
#include "conclusions/precision_plan.h"
#include "conclusions/rules.h"
#include "conclusions/runs_to_settle.h"
#include "conclusions/verdict.h"
#include "history_table.h"
#include "phases.h"
#include "stand_in.h"
#include "statistics/change_thresholds.h"
#include "statistics/far_value.h"
#include "table.h"

namespace {

constexpr double kEffect = 0.05;

TEST(RulesTest, BudgetsAddUpToTheInputsBudget) {
  double total = 0;
  for (const Rule rule :
       {Rule::kDrift, Rule::kFirstRun, Rule::kOutlier, Rule::kClusters,
        Rule::kDisturbed, Rule::kBusy, Rule::kFewRuns, Rule::kSettle}) {
    total += RuleOf(rule).budget;
  }
  EXPECT_LE(total, kInputBudget + 1e-12);
}

TEST(DriftTest, FoundWhereEveryFigureSlidesNotInShuffledRuns) {
  Random random(11);
  StandIn s;
  s.runs = 10;
  s.slideAll = -0.10;
  const auto drift = FindDrift(MakeInput(s, random), kEffect, 0.01);
  ASSERT_TRUE(drift);
  EXPECT_LT(drift->pValue, 0.01);
  EXPECT_GT(drift->figures.size(), 10u);
  for (const DriftedFigure& d : drift->figures) EXPECT_LT(d.change, 0.95);
  // A slide of 2%, under the minimum effect, is no drift to speak of.
  s.slideAll = -0.02;
  s.cv = 0.002;
  EXPECT_FALSE(FindDrift(MakeInput(s, random), kEffect, 0.01));
  // Too few runs.
  s.runs = 4;
  s.slideAll = -0.3;
  EXPECT_FALSE(FindDrift(MakeInput(s, random), kEffect, 0.01));
}

TEST(FirstRunTest, OneCandidateAcrossFigures) {
  Random random(12);
  StandIn s;
  s.runs = 6;
  s.firstAll = -0.30;
  const auto first = FindFirstRunOff(MakeInput(s, random), kEffect, 0.01);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->run, 1);
  EXPECT_GE(first->figures.size(), 5u);
  EXPECT_NEAR(first->figures[0].second, 0.7, 0.05);
  s.firstAll = 0;
  EXPECT_FALSE(FindFirstRunOff(MakeInput(s, random), kEffect, 0.01));
  // Off in one figure alone, far enough for that figure by itself.
  RunValues column;
  column.runs = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  column.figures.assign(15, {});
  for (std::size_t f = 0; f < 15; ++f) {
    for (int r = 0; r < 10; ++r) {
      column.figures[f].push_back(100 * Draw(false, 0.01, random));
    }
  }
  column.figures[3][0] = 40;
  const auto one = FindFirstRunOff({column}, kEffect, 0.01);
  ASSERT_TRUE(one);
  ASSERT_EQ(one->figures.size(), 1u);
  EXPECT_EQ(one->figures[0].first, 3u);
}

TEST(OutlierRunsTest, FarOnBothScalesAndNotInClusters) {
  RunValues column;
  column.runs = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  column.figures = {{100, 101, 99, 100, 60, 102, 98, 100, 101, 99}};
  const std::vector<OutlierRun> found =
      FindOutlierRuns({column}, kEffect, 0.01, {});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].run, 5);
  EXPECT_NEAR(found[0].ratio, 0.6, 0.01);
  // Left alone where the figure's runs are claimed as two clusters.
  EXPECT_TRUE(FindOutlierRuns({column}, kEffect, 0.01, {{0, 0}}).empty());
  // The first run is the first-run rule's.
  column.figures = {{60, 101, 99, 100, 100, 102, 98, 100, 101, 99}};
  EXPECT_TRUE(FindOutlierRuns({column}, kEffect, 0.01, {}).empty());
}

// A column of 15 figures whose runs have the noise of `df` (0: normal).
RunValues NoisyColumn(int df, int runs, double cv, Random& random) {
  StandIn s;
  s.runs = static_cast<std::size_t>(runs);
  s.cv = cv;
  s.tailsDf = df;
  return MakeInput(s, random)[0];
}

TEST(FarRunsTest, TheInputsOwnNoiseSetsTheThresholds) {
  // The deleted residual: 10 against the others' mean 2 and sd 1.
  EXPECT_DOUBLE_EQ(FarDistance({1, 2, 3, 10}, 3), 8);
  EXPECT_EQ(FarthestFromMedian({1, 2, 3, 10}), 3u);
  EXPECT_TRUE(std::isinf(FarDistance({5, 5, 5, 6}, 3)));
  EXPECT_DOUBLE_EQ(FarDistance({5, 5, 5, 5}, 3), 0);
  // Heavier tails need farther runs; a stricter level too.
  for (const FarRun which : {FarRun::kFarthest, FarRun::kFirst}) {
    EXPECT_GT(FarThreshold(which, Tails::kHeavy, 10, 1e-3),
              FarThreshold(which, Tails::kModerate, 10, 1e-3));
    EXPECT_GT(FarThreshold(which, Tails::kModerate, 10, 1e-3),
              FarThreshold(which, Tails::kNormal, 10, 1e-3));
    EXPECT_GT(FarThreshold(which, Tails::kNormal, 10, 1e-4),
              FarThreshold(which, Tails::kNormal, 10, 1e-3));
  }
  EXPECT_GT(FarThreshold(FarRun::kFarthest, Tails::kNormal, 20, 1e-3),
            FarThreshold(FarRun::kFirst, Tails::kNormal, 20, 1e-3));
  // The chance under normal noise falls as the run lies farther.
  EXPECT_DOUBLE_EQ(NormalFarthestChance(19, 0), 0.75);
  EXPECT_NEAR(NormalFarthestChance(19, FarThreshold(FarRun::kFarthest,
                                                    Tails::kNormal, 19, 1e-3)),
              1e-3, 1e-12);
  EXPECT_LT(NormalFarthestChance(19, 6), NormalFarthestChance(19, 4));
  // Told from the other figures: heavy tails are rarely ruled out where
  // the noise has them; normal noise is mostly told from them at 20 runs.
  Random random(14);
  int heavy = 0;
  int normal = 0;
  for (int i = 0; i < 20; ++i) {
    const auto t3 = FarthestLaterRuns({NoisyColumn(3, 20, 0.04, random)});
    heavy += TailsOf(t3, {0, 0}) == Tails::kHeavy ? 1 : 0;
    const auto plain = FarthestLaterRuns({NoisyColumn(0, 20, 0.04, random)});
    normal += TailsOf(plain, {0, 0}) != Tails::kHeavy ? 1 : 0;
  }
  EXPECT_GE(heavy, 18);
  EXPECT_GE(normal, 14);
  // Too few figures to tell.
  RunValues few = NoisyColumn(0, 20, 0.04, random);
  few.figures.resize(kFewestFiguresToTell);
  EXPECT_EQ(TailsOf(FarthestLaterRuns({few}), {0, 0}), Tails::kHeavy);
  // Nor do figures of four later runs tell anything.
  EXPECT_TRUE(FarthestLaterRuns({NoisyColumn(3, 5, 0.04, random)}).empty());
  EXPECT_EQ(FarthestLaterRuns({NoisyColumn(3, 6, 0.04, random)}).size(), 15u);
}

TEST(ClusterClaimsTest, TwoGroupsFarApartOnBothScales) {
  // The bulk write of this machine: the page cache or the disk.
  const std::vector<double> bulk = {520,  2900, 610,  3400, 700,  2300, 2650,
                                    3100, 2950, 2800, 560,  3050, 2700, 2450,
                                    590,  2850, 3200, 2600, 2750, 630};
  const auto two = ClaimClusters(bulk, 6.7e-4, kEffect);
  ASSERT_TRUE(two);
  EXPECT_EQ(two->low.runs, 6);
  EXPECT_DOUBLE_EQ(two->low.median, 600);
  // Normal runs are one group; so are six runs, however they fall.
  Random random(13);
  std::vector<double> normal;
  for (int i = 0; i < 30; ++i) normal.push_back(100 * Draw(false, 0.1, random));
  EXPECT_FALSE(ClaimClusters(normal, 6.7e-4, kEffect));
  EXPECT_FALSE(ClaimClusters({1, 1, 1, 100, 100}, 6.7e-4, kEffect));
  // The thresholds fall with the runs and rise as the level falls.
  EXPECT_GT(ClusterThreshold(6, 1e-3), ClusterThreshold(20, 1e-3));
  EXPECT_LT(ClusterThreshold(20, 1e-3), ClusterThreshold(20, 1e-5));
  EXPECT_DOUBLE_EQ(ClusterThreshold(20, 5e-4), ClusterThreshold(20, 3e-4));
}

// A family of `figures` figures whose first `differing` differ by `effect`.
std::vector<Samples> Family(int figures, int differing, double effect, int runs,
                            Random& random) {
  std::vector<Samples> family;
  for (int f = 0; f < figures; ++f) {
    Samples s;
    for (int i = 0; i < runs; ++i) {
      s.values.push_back(100 * (f < differing ? 1 + effect : 1) *
                         Draw(true, 0.05, random));
      s.baseline.push_back(100 * Draw(true, 0.05, random));
    }
    family.push_back(std::move(s));
  }
  return family;
}

TEST(VerdictTest, IntervalsAgreeWithVerdictsAtTheFamilysLevel) {
  Random random(14);
  for (int trial = 0; trial < 40; ++trial) {
    const std::vector<FigureVerdict> verdicts = JudgeFamily(
        Family(15, trial % 6, 0.02 * (trial % 5), 10, random), kEffect);
    int differences = 0;
    for (const FigureVerdict& v : verdicts) differences += Differs(v.verdict);
    for (const FigureVerdict& v : verdicts) {
      ASSERT_TRUE(v.estimate);
      // Every interval of the family at 1 - R q / m.
      EXPECT_NEAR(v.adjustedLevel, 1 - 0.05 * std::max(differences, 1) / 15.0,
                  1e-12);
      if (!v.adjusted) {
        EXPECT_EQ(v.verdict, Verdict::kTooFewRuns);
        continue;
      }
      const bool excludes = v.adjusted->low > 1 || v.adjusted->high < 1;
      EXPECT_EQ(excludes, Differs(v.verdict)) << "trial " << trial;
    }
  }
}

TEST(VerdictTest, ThreeAgainstThreeAndSixAgainstSix) {
  Random random(15);
  // 3 against 3: no interval at any level a family of 15 needs.
  for (const FigureVerdict& v :
       JudgeFamily(Family(15, 15, 1.0, 3, random), kEffect)) {
    EXPECT_EQ(v.verdict, Verdict::kTooFewRuns);
  }
  // 6 against 6: a lone difference cannot show among 45 comparisons
  // (the smallest p, 2/924, is above 0.05 / 45) ...
  const std::vector<FigureVerdict> lone =
      JudgeFamily(Family(45, 1, 1.0, 6, random), kEffect);
  EXPECT_EQ(lone[0].verdict, Verdict::kTooFewRuns);
  // ... but where every figure differs, each does.
  for (const FigureVerdict& v :
       JudgeFamily(Family(45, 45, 1.0, 6, random), kEffect)) {
    EXPECT_EQ(v.verdict, Verdict::kFaster);
  }
}

TEST(RunsToSettleTest, MoreRunsOrNoneAtTheBandsEdge) {
  Random random(16);
  // A 7.5% difference at CV 10% over 6 runs a side: more runs would tell.
  std::vector<Samples> family;
  for (int f = 0; f < 15; ++f) {
    Samples s;
    for (int i = 0; i < 6; ++i) {
      s.values.push_back(107.5 * Draw(true, 0.10, random));
      s.baseline.push_back(100 * Draw(true, 0.10, random));
    }
    family.push_back(std::move(s));
  }
  const std::vector<FigureVerdict> verdicts = JudgeFamily(family, kEffect);
  for (const FigureVerdict& v : verdicts) {
    if (v.verdict != Verdict::kInconclusive) continue;
    if (v.runsToSettle) {
      EXPECT_GT(*v.runsToSettle, 6);
    }
  }
  // Runs as wide as their own size: no sensible count of runs settles a
  // difference of 0.1%.
  EXPECT_LT(
      SettlingChance(kMostRunsToSettle, std::log(1.001), 1.0, 15, kEffect),
      kSettlingPower);
  // Clear of it, a handful does.
  EXPECT_GE(SettlingChance(20, std::log(1.3), 0.05, 15, kEffect),
            kSettlingPower);
}

TEST(PrecisionPlanTest, GivesUpOnlyWhereEvenTheLeastSpreadFallsShort) {
  // CV 1%: within 3% at once.
  EXPECT_TRUE(PlanPrecision({100, 101, 99, 100, 102, 98}, 0.03, 30).done);
  // CV about 40% after 6 runs: out of reach of 30 runs, whatever luck.
  const PrecisionPlan wide =
      PlanPrecision({50, 150, 80, 130, 60, 140}, 0.03, 30);
  EXPECT_FALSE(wide.done);
  EXPECT_TRUE(wide.givenUp);
  ASSERT_TRUE(wide.runsNeeded);
  EXPECT_GT(*wide.runsNeeded, 30);
  // CV about 5% after 6 runs: ±3% within reach, so not given up.
  EXPECT_FALSE(PlanPrecision({95, 105, 100, 92, 108, 101}, 0.03, 30).givenUp);
  // The expected precision falls with the runs, in steps.
  EXPECT_GT(ExpectedPrecision(6, 0.1), ExpectedPrecision(30, 0.1));
  EXPECT_EQ(RunsForPrecision(0.1, 0.001, 30), std::nullopt);
}

TEST(CalibrationSliceTest, StableInputsWithinTheBudgetAndEffectsFound) {
  // 300 stable inputs of 10 runs at CV 10%, normal and log-normal: any
  // warning in at most 5% plus the slice's sampling error.
  for (const bool logNormal : {false, true}) {
    StandIn s;
    s.runs = 10;
    s.cv = 0.10;
    s.logNormal = logNormal;
    const RuleRates r = StableStandIn(s, 300, 2026);
    EXPECT_LE(r.anyNew.hits, 27) << (logNormal ? "log-normal" : "normal");
    EXPECT_GE(r.anyOld.hits, 250);
  }
  // Every figure sliding 10% over 10 runs at CV 3%: found.
  StandIn slide;
  slide.runs = 10;
  slide.slideAll = -0.10;
  Random random(2027);
  int found = 0;
  for (int i = 0; i < 50; ++i) {
    found += NewFlags(MakeInput(slide, random), kEffect).drift ? 1 : 0;
  }
  EXPECT_GE(found, 45);
}

TEST(CalibrationSliceTest, PhasesThatLastAreNeitherDifferencesNorDrifts) {
  // Phases of AR(1) 0.5 over the runs, each figure its own: two inputs
  // made alike were said to differ in about 70% of pairs when their runs
  // counted as independent; counted at their worth, within the budget.
  StandIn s;
  s.runs = 10;
  s.cv = 0.04;
  s.rho = 0.5;
  const PairRates pairs = MeasurePairs(s, 0, 100, 2028);
  EXPECT_GE(pairs.anyOld.hits, 50);
  EXPECT_LE(pairs.anyNew.hits, 10);
  EXPECT_GE(pairs.dependenceSaid.hits, 80);
  // Nor do such phases read as a drift (28% of inputs at 20 runs before).
  s.runs = 20;
  EXPECT_LE(MeasureNoise(s, 100, 2029).rules.drift.hits, 8);
  // A real 10% difference is still found in most figures.
  EXPECT_GE(MeasurePairs(s, 0.10, 20, 2030).figuresNew.Share(), 0.8);
}

TEST(CalibrationSliceTest, HeavyTailsAreQuietAndFarRunsStillFound) {
  // Student's t of 3 degrees of freedom, 20 runs: some warning on 80% of
  // such inputs when runs were judged against normal noise.
  StandIn s;
  s.runs = 20;
  s.cv = 0.04;
  s.tailsDf = 3;
  EXPECT_LE(MeasureNoise(s, 200, 2031).rules.anyNew.hits, 12);
  // A later run at 2x in one figure of normal runs, CV 3%: still found.
  s.tailsDf = 0;
  s.cv = 0.03;
  s.outlierOne = 1.0;
  Random random(2032);
  int found = 0;
  for (int i = 0; i < 40; ++i) {
    found += NewFlags(MakeInput(s, random), kEffect).outlier ? 1 : 0;
  }
  EXPECT_GE(found, 32);
}

// A session of one figure summary per figure key, all at `level`.
StoredSession SessionAt(long long id, double level, bool settle = false) {
  StoredSession s;
  s.summary.id = id;
  s.summary.program = "drives64";
  s.summary.settle = settle;
  // A little of every session's own, so that levels have a spread.
  const double own = 1 + 0.01 * ((id * 7) % 5 - 2);
  for (const char* figure : {"single.files", "single.byte_write",
                             "single.bulk_read", "total.files"}) {
    SessionFigureSummary f;
    f.threads = 1;
    f.figure = figure;
    f.unit = "MB/s";
    f.runs = 5;
    f.median = 100 * level * own;
    s.figures.push_back(f);
  }
  return s;
}

TEST(HistoryJudgementTest, ThresholdsFollowTheTable) {
  // Rarer means higher; more sessions, lower (near the table's start);
  // between two rows, between their thresholds.
  EXPECT_GT(ChangeThreshold(10, 0.001), ChangeThreshold(10, 0.01));
  EXPECT_GT(ChangeThreshold(8, 0.01), ChangeThreshold(20, 0.01));
  const double between = ChangeThreshold(42, 0.01);
  EXPECT_LT(between, ChangeThreshold(40, 0.01));
  EXPECT_GT(between, ChangeThreshold(45, 0.01));
  // Beyond the table: its last row and level, never less.
  EXPECT_EQ(ChangeThreshold(5000, 1e-9), ChangeThreshold(1000, 1e-4));
}

TEST(HistoryJudgementTest, StepsFoundAndDatedLikeWithLike) {
  std::vector<StoredSession> sessions;
  for (long long id = 1; id <= 12; ++id) {
    sessions.push_back(SessionAt(id, id >= 8 ? 0.8 : 1));
  }
  std::vector<JudgedCondition> judged = JudgeHistory(sessions, 0, kEffect);
  ASSERT_EQ(judged.size(), 1u);
  ASSERT_EQ(judged[0].figures.size(), 4u);
  for (const JudgedFigure& f : judged[0].figures) {
    ASSERT_EQ(f.shifts.size(), 1u) << f.figure;
    EXPECT_EQ(f.shifts[0].at, 7u);  // session 8, the first of the new level
    EXPECT_TRUE(f.shifts[0].together);
    EXPECT_LT(f.shifts[0].low, 0.8);
    EXPECT_GT(f.shifts[0].high, 0.8);
    EXPECT_EQ(LatestChange(f.shifts), LatestLevel::kSlower);
  }
  // Judged from the accepted session on: no change left.
  judged = JudgeHistory(sessions, 7, kEffect);
  EXPECT_EQ(judged[0].sessions, 5u);
  for (const JudgedFigure& f : judged[0].figures) {
    EXPECT_TRUE(f.shifts.empty());
  }
  // The slower sessions settled: another series, and no step in either.
  for (std::size_t s = 7; s < sessions.size(); ++s) {
    sessions[s].summary.settle = true;
  }
  judged = JudgeHistory(sessions, 0, kEffect);
  ASSERT_EQ(judged.size(), 2u);
  for (const JudgedCondition& c : judged) {
    for (const JudgedFigure& f : c.figures) EXPECT_TRUE(f.shifts.empty());
  }
}

TEST(HistoryJudgementTest, OneFigureAloneAndRecovery) {
  std::vector<StoredSession> sessions;
  for (long long id = 1; id <= 14; ++id) {
    sessions.push_back(SessionAt(id, 1));
    if (id >= 8) sessions.back().figures[0].median *= 0.75;
  }
  const std::vector<JudgedCondition> judged =
      JudgeHistory(sessions, 0, kEffect);
  ASSERT_EQ(judged[0].figures[0].shifts.size(), 1u);
  EXPECT_EQ(judged[0].figures[0].shifts[0].at, 7u);
  for (std::size_t f = 1; f < judged[0].figures.size(); ++f) {
    EXPECT_TRUE(judged[0].figures[f].shifts.empty());
  }
  EXPECT_EQ(LatestChange({}), LatestLevel::kUnchanged);
  EXPECT_EQ(LatestChange({{3, 0.8, 0.7, 0.9, true}, {8, 1.25, 1.1, 1.4, true}}),
            LatestLevel::kRecovered);
  EXPECT_EQ(LatestChange({{3, 1.2, 1.1, 1.3, true}}), LatestLevel::kFaster);
}

TEST(HistoryJudgementTest, TwoSessionsComparedRunAgainstRun) {
  const auto session = [](double level) {
    Session s;
    for (int r = 1; r <= 5; ++r) {
      SessionRun run;
      run.number = r;
      run.threads = 1;
      run.figures.push_back({"single.files", level * (100 + r), "files/s"});
      s.runs.push_back(run);
    }
    return s;
  };
  const HistoryCondition condition{"drives64", false, kDriveRole, {}, 1};
  const auto estimates =
      CompareLatestSessions(session(0.5), session(1), condition,
                            {"single.files", "single.bulk_read"});
  ASSERT_EQ(estimates.size(), 2u);
  ASSERT_TRUE(estimates[0] && estimates[0]->low && estimates[0]->high);
  EXPECT_NEAR(estimates[0]->ratio, 0.5, 0.01);
  EXPECT_LT(*estimates[0]->low, 0.5);
  EXPECT_GT(*estimates[0]->high, 0.5);
  EXPECT_FALSE(estimates[1]);  // neither session has it
}

TEST(CalibrationSliceTest, QuietHistoriesRarelyAlarmAndStepsAreFound) {
  // 200 histories of 20 sessions, session and run noise 10%: exit 3 in at
  // most 5% plus the slice's sampling error; a 50% drop always found.
  Random random(2028);
  HistoryStandIn quiet;
  int alarms = 0;
  for (int i = 0; i < 200; ++i) {
    alarms += JudgeNew(MakeHistory(quiet, random)).slower ? 1 : 0;
  }
  EXPECT_LE(alarms, 16);
  HistoryStandIn drop;
  drop.stepAt = 15;
  drop.step = -0.5;
  for (int i = 0; i < 20; ++i) {
    EXPECT_TRUE(JudgeNew(MakeHistory(drop, random)).slower);
  }
}

TEST(CalibrationSliceTest, PhasesAcrossSessionsNeitherStepNorDecline) {
  // Session levels in phases that last (AR(1) 0.7, sd 5%, 1.5% of each
  // figure's own): exit 3 on 30% of 20-session histories when sessions
  // counted as independent.
  HistoryStandIn h;
  h.sessionNoise = 0.05;
  h.ownNoise = 0.015;
  h.rho = 0.7;
  Random random(2033);
  int alarms = 0;
  for (int i = 0; i < 200; ++i) {
    alarms += JudgeNew(MakeHistory(h, random)).slower ? 1 : 0;
  }
  EXPECT_LE(alarms, 18);
  // A dip of three sessions that recovers leaves no alarm; a decline of 1%
  // a session over 30 is found, as a trend whose total holds the truth.
  HistoryStandIn dip = h;
  dip.dipAt = 10;
  dip.dipLength = 3;
  dip.dip = -0.15;
  int dipAlarms = 0;
  for (int i = 0; i < 50; ++i) {
    dipAlarms += JudgeNew(MakeHistory(dip, random)).slower ? 1 : 0;
  }
  EXPECT_LE(dipAlarms, 2);
  HistoryStandIn wear = h;
  wear.sessions = 30;
  wear.decline = 0.01;
  int found = 0;
  int covered = 0;
  int told = 0;
  const double truth = std::pow(0.99, 29);
  for (int i = 0; i < 50; ++i) {
    const Outcome o = JudgeNew(MakeHistory(wear, random));
    found += o.slower ? 1 : 0;
    for (const auto& [low, high] : o.totals) {
      ++told;
      covered += low <= truth && truth <= high ? 1 : 0;
    }
  }
  EXPECT_GE(found, 35);
  EXPECT_GE(covered, told * 9 / 10);
  // The thresholds widen with the dependence, not at all without it.
  EXPECT_DOUBLE_EQ(DependenceWidening(20, 0), 1);
  EXPECT_GT(DependenceWidening(20, 0.7), DependenceWidening(20, 0.3));
  EXPECT_LT(DependenceWidening(20, 0.7), std::sqrt(1.7 / 0.3));
}

}  // namespace
