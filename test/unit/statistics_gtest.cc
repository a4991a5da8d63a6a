// The statistics against worked numbers: intervals, the ratio of two samples
// and its test, the adjustment for many tests, verdicts, and what marks a
// run or a figure as doubtful.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "statistics/benjamini_hochberg.h"
#include "statistics/clusters.h"
#include "statistics/distributions.h"
#include "statistics/figure_statistics.h"
#include "statistics/mann_whitney.h"
#include "statistics/median_interval.h"
#include "statistics/random.h"
#include "statistics/ratio_estimate.h"
#include "statistics/serial_dependence.h"
#include "statistics/step_detection.h"
#include "statistics/theil_sen.h"
#include "statistics/trend.h"

namespace {

using Values = std::vector<double>;

TEST(MedianIntervalTest, OrderStatisticsWithTheirTrueCoverage) {
  // n = 10: k = 2, coverage 1 - 2 * 11/1024.
  const auto ten = IntervalOfMedian({10, 1, 9, 2, 8, 3, 7, 4, 6, 5});
  ASSERT_TRUE(ten);
  EXPECT_EQ(ten->k, 2);
  EXPECT_NEAR(ten->coverage, 0.97852, 1e-5);
  EXPECT_EQ(ten->low, 2);
  EXPECT_EQ(ten->high, 9);
  EXPECT_NEAR(Precision(*ten, 5.5), 3.5 / 5.5, 1e-12);
  // Below 6 runs: the range, with its coverage, never 95%.
  for (const auto& [n, coverage] :
       {std::pair{2, 0.5}, {3, 0.75}, {4, 0.875}, {5, 0.9375}}) {
    const auto interval = IntervalOfMedian(Values(n, 1.0));
    ASSERT_TRUE(interval);
    EXPECT_EQ(interval->k, 1);
    EXPECT_DOUBLE_EQ(interval->coverage, coverage);
  }
  EXPECT_GE(IntervalOfMedian(Values(6, 1.0))->coverage, 0.95);
  EXPECT_FALSE(IntervalOfMedian({1}));
  // 20 runs worth 6 independent ones: the places of 6 values' interval
  // (their range, 1 - 2/64) among the 20, not the 6th to the 15th.
  Values twenty;
  for (int i = 1; i <= 20; ++i) twenty.push_back(i);
  const auto worth = IntervalOfMedian(twenty, 6);
  ASSERT_TRUE(worth);
  EXPECT_EQ(worth->low, 3);
  EXPECT_EQ(worth->high, 18);
  EXPECT_DOUBLE_EQ(worth->coverage, 1 - 2.0 / 64);
  EXPECT_EQ(IntervalOfMedian(twenty, 20)->low, 6);
  // A robust sigma of 10% of the median: (1.96 * 1.2533 * 0.1 / 0.05)^2.
  const Values spread = {90 - 10 / 1.4826, 100, 100 + 10 / 1.4826};
  EXPECT_EQ(RunsForPrecision(spread, 0.05), 25);
  EXPECT_EQ(RunsForPrecision({5, 5, 5}, 0.05), 0);
}

TEST(RatioEstimateTest, WorkedExample) {
  const Values a = {470, 498, 505, 512, 515, 520, 530};
  const Values b = {441, 448, 455, 459, 462, 468, 480};
  const auto e = EstimateRatio(a, b);
  ASSERT_TRUE(e && e->low && e->high);
  EXPECT_NEAR(e->ratio, 1.111, 5e-4);
  EXPECT_NEAR(*e->low, 1.064, 5e-4);
  EXPECT_NEAR(*e->high, 1.150, 5e-4);
  EXPECT_NEAR(e->pValue, 0.0012, 5e-5);
  EXPECT_TRUE(e->exact);
  // The other way round: the reciprocal, the same p.
  const auto back = EstimateRatio(b, a);
  EXPECT_NEAR(back->ratio, 1 / e->ratio, 1e-12);
  EXPECT_DOUBLE_EQ(back->pValue, e->pValue);
  // One run a side: the plain ratio, and no interval.
  const auto plain = EstimateRatio({3}, {2});
  EXPECT_DOUBLE_EQ(plain->ratio, 1.5);
  EXPECT_FALSE(plain->low);
  // Values the maths cannot take.
  EXPECT_FALSE(EstimateRatio({1, INFINITY}, {1, 2}));
  EXPECT_FALSE(EstimateRatio({1, 0}, {1, 2}));
  EXPECT_FALSE(EstimateRatio({}, {1}));
}

TEST(RatioEstimateTest, SmallestPAndLargeSamples) {
  EXPECT_NEAR(RankSumNull(4, 4).SmallestP(), 2.0 / 70, 1e-12);  // 0.0286
  EXPECT_NEAR(RankSumNull(3, 3).SmallestP(), 0.1, 1e-12);
  // Above 50 a side: the normal approximation, close to the exact one.
  EXPECT_FALSE(RankSumNull(51, 51).Exact());
  EXPECT_NEAR(RankSumNull(51, 51).TwoSidedP(1000),
              RankSumNull(50, 50).TwoSidedP(1000 * 2500.0 / 2601), 0.01);
}

TEST(RatioEstimateTest, IntervalExcludesOneExactlyWhenPIsBelowFivePercent) {
  std::mt19937 random(7);
  std::lognormal_distribution<double> noise(0, 0.1);
  for (int trial = 0; trial < 300; ++trial) {
    const int m = 2 + trial % 9;
    const int n = 2 + trial % 7;
    const double shift = 1 + 0.02 * (trial % 11);
    Values a;
    Values b;
    for (int i = 0; i < m; ++i) a.push_back(100 * shift * noise(random));
    for (int i = 0; i < n; ++i) b.push_back(100 * noise(random));
    const auto e = EstimateRatio(a, b);
    ASSERT_TRUE(e);
    const bool excludes = e->low && (*e->low > 1 || *e->high < 1);
    EXPECT_EQ(excludes, e->pValue < 0.05) << "trial " << trial;
  }
}

TEST(BenjaminiHochbergTest, AdjustsInStepsAndKeepsOrder) {
  const auto adjusted = AdjustForManyTests({0.01, 0.04, 0.03, 0.5});
  EXPECT_DOUBLE_EQ(adjusted[0], 0.04);
  EXPECT_DOUBLE_EQ(adjusted[1], 0.04 * 4 / 3);
  EXPECT_DOUBLE_EQ(adjusted[2], 0.04 * 4 / 3);  // monotone
  EXPECT_DOUBLE_EQ(adjusted[3], 0.5);
  EXPECT_TRUE(AdjustForManyTests({}).empty());
}

TEST(FigureStatisticsTest, TrendsAndTheBestSplit) {
  const auto described = DescribeFigure({50, 100, 101, NAN, 99, 100});
  EXPECT_EQ(described.summary.runs, 5);
  EXPECT_EQ(described.summary.median, 100);
  // A steady fall over the sweep, and noise.
  const auto falling = RunOrderTrend({10, 9, 8, 7, 6, 5, 4, 3});
  ASSERT_TRUE(falling);
  EXPECT_DOUBLE_EQ(falling->rho, -1);
  EXPECT_NEAR(falling->pValue, 2.0 / 40320, 1e-12);
  EXPECT_TRUE(falling->Significant());
  EXPECT_FALSE(RunOrderTrend({5, 9, 4, 8, 6, 7, 3, 10})->Significant());
  EXPECT_FALSE(RunOrderTrend({1, 2, 3}));
  // Above 9 runs, Student's t with n - 2 degrees of freedom.
  EXPECT_NEAR(StudentTwoSided(1.8257, 10), 0.0979, 1e-4);
  EXPECT_NEAR(StudentTwoSided(2.228, 10), 0.05, 1e-4);
  EXPECT_NEAR(NormalCdf(-1.959964), 0.025, 1e-6);
  // The bimodal bulk write splits between its groups, far apart: the
  // difference of the groups' mean logs over their pooled spread.
  Values bulk = {520, 2900, 610, 3400, 700, 2300, 560, 3100, 650, 2800};
  std::sort(bulk.begin(), bulk.end());
  Values logs;
  for (const double v : bulk) logs.push_back(std::log(v));
  const Split split = BestSplit(logs);
  EXPECT_EQ(split.at, 5u);
  EXPECT_GT(split.separation, 10);
  const TwoClusters two = DescribeSplit(bulk, split.at);
  EXPECT_DOUBLE_EQ(two.low.median, 610);
  EXPECT_DOUBLE_EQ(two.high.share, 0.5);
  // No split below two a side.
  EXPECT_EQ(BestSplit({0, 1, 2}).at, 0u);
  EXPECT_NEAR(TheilSenSlope({1, 2, 3, 4}, {1, 3, 100, 7}), 2, 1e-12);
}

TEST(StepDetectionTest, LastingChangesOnly) {
  // Down for two sessions, then back up.
  const auto steps = FindSteps({100, 101, 99, 90, 91, 100, 99}, 0.05);
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].at, 3u);
  EXPECT_NEAR(steps[0].ratio, 0.905, 1e-3);
  EXPECT_EQ(steps[1].at, 5u);
  // One odd session, and changes under the minimum effect, are no step.
  EXPECT_TRUE(FindSteps({100, 101, 80, 100, 99}, 0.05).empty());
  EXPECT_TRUE(FindSteps({100, 101, 97, 97, 96}, 0.05).empty());
  EXPECT_EQ(FindSteps({100, 100, 80, 80}, 0.05).size(), 1u);
}

}  // namespace

namespace {

TEST(DistributionsTest, QuantilesAgainstTables) {
  EXPECT_NEAR(NormalQuantile(0.975), 1.959964, 1e-6);
  EXPECT_NEAR(StudentTwoSidedQuantile(0.05, 10), 2.228139, 1e-6);
  EXPECT_NEAR(ChiSquareQuantile(0.95, 4), 9.487729, 1e-6);
  EXPECT_NEAR(ChiSquareCdf(3.84146, 1), 0.95, 1e-6);
  EXPECT_NEAR(BetaQuantile(0.5, 2, 2), 0.5, 1e-12);
  // Nothing seen in 2,000: 1 - 0.05^(1/2000) at 95%.
  EXPECT_NEAR(RateUpperBound(0, 2000, 0.95), 1 - std::pow(0.05, 1.0 / 2000),
              1e-9);
  EXPECT_NEAR(RateUpperBound(100, 2000, 0.95), 0.0587, 5e-4);
}

TEST(RatioEstimateTest, ExactPConditionalOnTies) {
  // Without ties, the conditional null is the plain one.
  const Values a = {470, 498, 505, 512, 515, 520, 530};
  const Values b = {441, 448, 455, 459, 462, 468, 480};
  EXPECT_NEAR(TiedExactP(a, b), RankSumNull(7, 7).TwoSidedP(RankSumU(a, b)),
              1e-12);
  // Quantised rates: three values only. Over the 20 ways to give three of
  // the six values to one side, U lies as far from its centre as 8.5 in 4
  // (enumerated); the untied null would say 2 in 20.
  const Values low = {1, 1, 2};
  const Values high = {2, 3, 3};
  EXPECT_NEAR(TiedExactP(high, low), 4.0 / 20, 1e-12);
  EXPECT_TRUE(HasTies(low, high));
  EXPECT_FALSE(HasTies({1, 2}, {3}));
}

}  // namespace

namespace {

// `groups` columns of `figures` AR(1) series of `runs`, each its own.
std::vector<std::vector<std::vector<double>>> Series(double rho, int groups,
                                                     int figures, int runs,
                                                     Random& random) {
  std::vector<std::vector<std::vector<double>>> all(groups);
  for (auto& group : all) {
    for (int f = 0; f < figures; ++f) {
      std::vector<double> e;
      double last = random.Normal();
      for (int t = 0; t < runs; ++t) {
        if (t > 0)
          last = rho * last + std::sqrt(1 - rho * rho) * random.Normal();
        e.push_back(last);
      }
      group.push_back(e);
    }
  }
  return all;
}

}  // namespace

TEST(SerialDependenceTest, FoundWhereNeighboursAreAlikeAndWorthFewer) {
  Random random(33);
  // Independent runs: little dependence, and the test mostly quiet.
  int said = 0;
  double rhos = 0;
  for (int i = 0; i < 200; ++i) {
    const SerialDependence d = MeasureDependence(Series(0, 1, 15, 10, random));
    said += d.pValue < 0.01 ? 1 : 0;
    rhos += d.rho;
  }
  EXPECT_LE(said, 7);
  EXPECT_LT(rhos / 200, 0.1);
  // Phases lasting runs: found, about as strong as they are.
  const SerialDependence d = MeasureDependence(Series(0.6, 2, 15, 20, random));
  EXPECT_EQ(d.series, 30u);
  EXPECT_LT(d.pValue, 0.005);
  EXPECT_NEAR(d.rho, 0.6, 0.15);
  // Worth fewer, and for many runs n (1 - rho) / (1 + rho).
  EXPECT_LT(d.Worth(20), 20 * (1 - d.rho / 2));
  EXPECT_NEAR(d.Worth(100000) / 100000, (1 - d.rho) / (1 + d.rho), 1e-4);
  EXPECT_EQ(SerialDependence{}.Worth(12), 12);
  // Runs all alike, and series too short, are no series.
  EXPECT_EQ(MeasureDependence({{{1, 1, 1, 1, 1, 1, 1, 1}, {1, 2, 3}}}).series,
            0u);
}

TEST(RatioEstimateTest, RunsWorthFewerWidenTheIntervalAndRaiseP) {
  const std::vector<double> a = {110, 112, 108, 111, 109, 113,
                                 107, 110, 112, 108, 111, 109};
  const std::vector<double> b = {100, 102, 98,  101, 99,  103,
                                 97,  100, 102, 98,  101, 99};
  const auto plain = EstimateRatio(a, b);
  // Worth as many as there are: the same in every respect.
  const auto same = EstimateRatio(a, b, {12, 12});
  ASSERT_TRUE(plain && same && plain->low && same->low);
  EXPECT_EQ(plain->pValue, same->pValue);
  EXPECT_EQ(*plain->low, *same->low);
  // Worth 4 a side: the test of 4 against 4, the same share of pairs.
  const auto fewer = EstimateRatio(a, b, {4, 4});
  ASSERT_TRUE(fewer && fewer->low && fewer->high);
  EXPECT_EQ(fewer->ratio, plain->ratio);
  EXPECT_DOUBLE_EQ(fewer->smallestP, 2.0 / 70);
  EXPECT_DOUBLE_EQ(fewer->pValue, 2.0 / 70);  // every a above every b
  EXPECT_LE(*fewer->low, *plain->low);
  EXPECT_GE(*fewer->high, *plain->high);
  // Worth 3 a side: no interval at 95%.
  const auto three = EstimateRatio(a, b, {3, 3});
  ASSERT_TRUE(three);
  EXPECT_FALSE(three->low);
  EXPECT_FALSE(IntervalOfRatio(a, b, 0.05, {3, 3}));
}
