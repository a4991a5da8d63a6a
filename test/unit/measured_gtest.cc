// What a figure measured, and verdicts the machine's phases do not move:
// paired runs judged by Student's t of their ratios, the labels told from the
// drive's ceiling and the memory control, and whom a difference is about,
// on runs of known truth.
#include <gtest/gtest.h>

#include <cmath>

#include "comparison/columns.h"
#include "conclusions/conclusions.h"
#include "conclusions/measured.h"
#include "statistics/paired_ratio.h"
#include "statistics/random.h"

namespace {

constexpr double kEffect = 0.05;

TEST(PairedRatioTest, GeometricMeanOfPairsAndStudentsT) {
  // Every pair 10% up: the ratio is 1.1 and p as small as it gets.
  const std::vector<double> base = {100, 90, 120, 80, 110, 105, 95, 130};
  std::vector<double> up;
  for (const double b : base) up.push_back(b * 1.1);
  const auto e = EstimatePairedRatio(up, base);
  ASSERT_TRUE(e && e->low && e->high);
  EXPECT_NEAR(e->ratio, 1.1, 1e-12);
  EXPECT_LT(e->pValue, 1e-6);
  EXPECT_NEAR(*e->low, 1.1, 1e-6);
  // Unequal lengths, one pair, or a non-positive value: nothing to say.
  EXPECT_FALSE(EstimatePairedRatio({1, 2}, {1}));
  EXPECT_FALSE(EstimatePairedRatio({1}, {1}));
  EXPECT_FALSE(EstimatePairedRatio({1, 0}, {1, 1}));
  // Pairs sharing a large common swing are still told apart by 3%: the
  // unpaired test, blind to the pairing, is not.
  Random random(5);
  std::vector<double> a;
  std::vector<double> b;
  for (int i = 0; i < 12; ++i) {
    const double phase = std::exp(0.3 * random.Normal());
    a.push_back(100 * phase * 1.03 * std::exp(0.005 * random.Normal()));
    b.push_back(100 * phase * std::exp(0.005 * random.Normal()));
  }
  EXPECT_LT(EstimatePairedRatio(a, b)->pValue, 0.01);
  EXPECT_GT(EstimateRatio(a, b)->pValue, 0.2);
  // Eight pairs, two figures of fifteen 50% apart: told, within the
  // family (no exact sign-flip test can go below 2/256 here).
  std::vector<Samples> family;
  for (int f = 0; f < 15; ++f) {
    Samples s;
    s.paired = true;
    for (int r = 0; r < 8; ++r) {
      const double phase = std::exp(0.1 * random.Normal());
      s.baseline.push_back(100 * phase * std::exp(0.02 * random.Normal()));
      s.values.push_back(100 * phase * (f < 2 ? 1.5 : 1) *
                         std::exp(0.02 * random.Normal()));
    }
    family.push_back(s);
  }
  const std::vector<FigureVerdict> verdicts = JudgeFamily(family, kEffect);
  EXPECT_EQ(verdicts[0].verdict, Verdict::kFaster);
  EXPECT_EQ(verdicts[1].verdict, Verdict::kFaster);
  for (int f = 2; f < 15; ++f) EXPECT_FALSE(Differs(verdicts[f].verdict)) << f;
}

const FigureRow& Row(FigureRow::Kind kind, Figure figure) {
  for (const FigureRow& row : ComparedFigures()) {
    if (row.kind == kind && row.figure == figure) return row;
  }
  return ComparedFigures().front();
}

TEST(MeasuredTest, DriveFileSystemCacheAndUnknown) {
  const FigureRow& bulkWrite =
      Row(FigureRow::Kind::kSingle, Figure::kBulkWrite);
  const FigureRow& files = Row(FigureRow::Kind::kSingle, Figure::kFiles);
  DriveCeiling ceiling;
  ceiling.directWriteMbS = 1000;
  ceiling.directReadMbS = 1800;
  ceiling.syncFilesPerS = 2000;
  const std::vector<double> memory = {3000, 3100, 2900, 3050, 2950, 3020};
  // As fast as memory: the cache, whatever the ceiling.
  EXPECT_EQ(JudgeMeasured(bulkWrite, 1, memory, ceiling, &memory, true, kEffect)
                .measured,
            Measured::kCache);
  // Well below memory and within the ceiling: the drive's.
  const std::vector<double> slow = {900, 950, 920, 940, 910, 930};
  const FigureMeasured drive =
      JudgeMeasured(bulkWrite, 1, slow, ceiling, &memory, true, kEffect);
  EXPECT_EQ(drive.measured, Measured::kDrive);
  EXPECT_NEAR(*drive.ceilingRatio, 0.925, 1e-9);
  EXPECT_LT(*drive.memoryHigh, 0.5);
  // Below memory but far above the drive: files/s is the file system's.
  const std::vector<double> fileSystem = {60000, 61000, 59000,
                                          60500, 59500, 60200};
  const std::vector<double> tmpfs = {92000, 93000, 91000, 92500, 91500, 92200};
  EXPECT_EQ(JudgeMeasured(files, 1, fileSystem, ceiling, &tmpfs, true, kEffect)
                .measured,
            Measured::kFileSystem);
  const std::vector<double> syncMount = {2100, 2150, 2050, 2120, 2080, 2110};
  EXPECT_EQ(JudgeMeasured(files, 1, syncMount, ceiling, &tmpfs, true, kEffect)
                .measured,
            Measured::kDrive);
  // Without the control: above the ceiling is the cache; below, unknown.
  EXPECT_EQ(JudgeMeasured(bulkWrite, 1, memory, ceiling, nullptr, true, kEffect)
                .measured,
            Measured::kCache);
  const FigureMeasured unknown =
      JudgeMeasured(bulkWrite, 1, slow, ceiling, nullptr, true, kEffect);
  EXPECT_EQ(unknown.measured, Measured::kUnknown);
  EXPECT_NE(unknown.why.find("--control"), std::string::npos);
  // Without the ceiling, below memory cannot be told.
  EXPECT_EQ(
      JudgeMeasured(bulkWrite, 1, slow, std::nullopt, &memory, true, kEffect)
          .measured,
      Measured::kUnknown);
  // A team's total is held against the team's streams, and a team of one
  // against one stream.
  const FigureRow& total = Row(FigureRow::Kind::kTotal, Figure::kBulkRead);
  ceiling.teamDirectReadMbS = 3000;
  EXPECT_EQ(CeilingOf(total, 4, ceiling), 3000);
  EXPECT_EQ(CeilingOf(total, 1, ceiling), 1800);
  EXPECT_FALSE(
      CeilingOf(Row(FigureRow::Kind::kTotal, Figure::kFiles), 4, ceiling));
}

// A run whose every single-thread data figure is `mb` MB/s and files/s
// `files`.
RunRecord RunOf(double mb, double files) {
  RunRecord run;
  run.threadCount = 1;
  for (const Figure f : kFigures) {
    const double rate = f == Figure::kFiles ? files : mb * 1048576.0;
    run.single[static_cast<int>(f)] = Measurement{1, rate, 0};
  }
  return run;
}

// One sweep's drive directory and its memory control, `rounds` rounds:
// the machine's phase shared by both in each round, the drive at `drive`
// times the control.
void Sweep(Comparison& comparison, const std::string& name, int rounds,
           double drive, double machine, Random& random) {
  ReportInput disk;
  ReportInput control;
  disk.label = disk.source = name;
  control.label = control.source = name + " control";
  disk.sweep = control.sweep = name;
  control.role = kControlDirectoryRole;
  for (int r = 1; r <= rounds; ++r) {
    const double phase = machine * std::exp(0.15 * random.Normal());
    const double c = 1000 * phase * std::exp(0.01 * random.Normal());
    const double d = c * drive * std::exp(0.01 * random.Normal());
    control.runs.push_back(RunOf(c, c * 50));
    control.marks.push_back({2 * r, false, r});
    control.clients.emplace_back();
    disk.runs.push_back(RunOf(d, d * 50));
    disk.marks.push_back({2 * r - 1, false, r});
    disk.clients.emplace_back();
  }
  comparison.inputs.push_back(std::move(disk));
  comparison.inputs.push_back(std::move(control));
}

// The verdicts of the second sweep's drive against the first's.
std::vector<FigureComparison> DriveAgainstDrive(double drive, double machine,
                                                std::uint64_t seed) {
  Random random(seed);
  Comparison comparison;
  comparison.baseline = 0;
  Sweep(comparison, "before", 10, 0.5, 1.0, random);
  Sweep(comparison, "after", 10, drive, machine, random);
  const std::vector<Column> columns = ComparisonColumns(comparison);
  const Conclusions conclusions = Conclusions::Draw(comparison, columns);
  std::vector<FigureComparison> found;
  for (const FigureComparison& f : conclusions.Comparisons()) {
    if (comparison.inputs[columns[f.column].input].label == "after") {
      found.push_back(f);
    }
  }
  return found;
}

TEST(ControlledVerdictTest, TheMachineOrTheDrive) {
  // The machine 30% slower in the second sweep, the drive as it was: raw
  // verdicts slower, against the control the same: the machine's.
  int machine = 0;
  for (const FigureComparison& f : DriveAgainstDrive(0.5, 0.7, 1)) {
    ASSERT_TRUE(f.controlled);
    EXPECT_EQ(f.controlledBy, ControlledBy::kRatio);
    EXPECT_TRUE(f.judged.verdict == Verdict::kSlower ||
                f.judged.verdict == Verdict::kSlowerSmall);
    EXPECT_FALSE(Differs(f.controlled->verdict));
    machine += f.attribution == Attribution::kMachine ? 1 : 0;
  }
  EXPECT_GT(machine, 0);
  // The drive itself 20% slower on a steady machine: the drive's.
  for (const FigureComparison& f : DriveAgainstDrive(0.4, 1.0, 2)) {
    ASSERT_TRUE(f.controlled);
    EXPECT_EQ(f.controlled->verdict, Verdict::kSlower);
    EXPECT_EQ(f.attribution, Attribution::kDrive);
  }
  // Two directories of one sweep are paired by round.
  Random random(3);
  Comparison one;
  one.baseline = 0;
  Sweep(one, "both", 8, 0.5, 1.0, random);
  const std::vector<Column> columns = ComparisonColumns(one);
  const Conclusions conclusions = Conclusions::Draw(one, columns);
  ASSERT_FALSE(conclusions.Comparisons().empty());
  for (const FigureComparison& f : conclusions.Comparisons()) {
    EXPECT_TRUE(f.paired);
    // Memory against the disk at half its speed, the phases cancelled.
    EXPECT_EQ(f.judged.verdict, Verdict::kFaster);
    EXPECT_NEAR(f.judged.estimate->ratio, 2, 0.05);
  }
  // And the drive's figures are labelled: half of memory, no ceiling known.
  const FigureRow& files = Row(FigureRow::Kind::kSingle, Figure::kFiles);
  const FigureMeasured* m = conclusions.Measure(0, files);
  ASSERT_TRUE(m);
  EXPECT_NEAR(*m->memoryRatio, 0.5, 0.02);
  EXPECT_EQ(m->measured, Measured::kUnknown);   // no ceiling measured
  EXPECT_FALSE(conclusions.Measure(1, files));  // the control's own
}

}  // namespace
