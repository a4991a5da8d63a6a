#include "table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "conclusions/cluster_claims.h"
#include "conclusions/conclusions.h"
#include "conclusions/disturbance.h"
#include "conclusions/drift.h"
#include "conclusions/first_run.h"
#include "conclusions/outlier_runs.h"
#include "conclusions/precision_plan.h"
#include "conclusions/rules.h"
#include "conclusions/verdict.h"
#include "old_rules.h"
#include "statistics/benjamini_hochberg.h"
#include "statistics/distributions.h"
#include "statistics/mann_whitney.h"
#include "statistics/median_interval.h"
#include "statistics/summary.h"

namespace {

constexpr double kMinEffect = 0.05;

// The values of a figure that a run has.
std::vector<double> Present(const std::vector<double>& values) {
  std::vector<double> present;
  for (const double v : values) {
    if (std::isfinite(v) && v > 0) present.push_back(v);
  }
  return present;
}

std::string Percent(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", share * 100);
  return text;
}

// "12/2000 (0.6%, ≤ 0.9%)": a false-alarm rate with its upper bound.
std::string Upper(const Rate& r) {
  return std::to_string(r.hits) + "/" + std::to_string(r.inputs) + " (" +
         Percent(r.Share()) + ", \u2264 " + Percent(r.Upper()) + ")";
}

// "1900/2000 (95.0%, ≥ 94.2%)": a detection rate with its lower bound.
std::string Lower(const Rate& r) {
  return std::to_string(r.hits) + "/" + std::to_string(r.inputs) + " (" +
         Percent(r.Share()) + ", \u2265 " + Percent(r.Lower()) + ")";
}

std::string Shape(const StandIn& s) {
  char text[96];
  std::snprintf(text, sizeof text, "%s CV %.0f%%, %zu runs x %zu column%s",
                s.logNormal ? "log-normal" : "normal", s.cv * 100, s.runs,
                s.columns, s.columns == 1 ? "" : "s");
  return text;
}

// Two samples of one figure: `m` and `n` runs of CV `cv`, the first
// `effect` larger.
Samples Pair(int m, int n, double cv, double effect, Random& random) {
  Samples s;
  for (int i = 0; i < m; ++i) {
    s.values.push_back(100 * (1 + effect) * Draw(true, cv, random));
  }
  for (int i = 0; i < n; ++i)
    s.baseline.push_back(100 * Draw(true, cv, random));
  return s;
}

// The verdicts of a family as the old rules made them: p adjusted over
// `adjustOver` (the whole report's), the plain 95% interval.
std::vector<Verdict> OldVerdicts(const std::vector<Samples>& family,
                                 const std::vector<double>& adjusted) {
  std::vector<Verdict> verdicts;
  for (std::size_t i = 0; i < family.size(); ++i) {
    const auto e = EstimateRatio(family[i].values, family[i].baseline);
    if (!(e->smallestP < 0.05)) {
      verdicts.push_back(Verdict::kTooFewRuns);
      continue;
    }
    const bool interval = e->low && e->high;
    if (interval && *e->low >= 1 - kMinEffect && *e->high <= 1 + kMinEffect) {
      verdicts.push_back(Verdict::kSame);
      continue;
    }
    Verdict v = Verdict::kInconclusive;
    if (interval && adjusted[i] < 0.05) {
      if (*e->low > 1 + kMinEffect) {
        v = Verdict::kFaster;
      } else if (*e->high < 1 - kMinEffect) {
        v = Verdict::kSlower;
      } else if (*e->low > 1) {
        v = Verdict::kFasterSmall;
      } else if (*e->high < 1) {
        v = Verdict::kSlowerSmall;
      }
    }
    verdicts.push_back(v);
  }
  return verdicts;
}

std::vector<double> PValues(const std::vector<Samples>& family) {
  std::vector<double> p;
  for (const Samples& s : family) {
    p.push_back(EstimateRatio(s.values, s.baseline)->pValue);
  }
  return p;
}

// The precision after the first `n` of `values`.
std::optional<double> PrecisionAt(const std::vector<double>& values,
                                  std::size_t n) {
  const std::vector<double> first(values.begin(), values.begin() + n);
  const auto interval = IntervalOfMedian(first);
  if (!interval) return std::nullopt;
  return Precision(*interval, Median(first));
}

}  // namespace

double Rate::Upper() const { return RateUpperBound(hits, inputs, 0.95); }

double Rate::Lower() const {
  if (hits == 0) return 0;
  return BetaQuantile(0.05, hits, inputs - hits + 1);
}

Flags NewFlags(const std::vector<RunValues>& input, double minEffect) {
  Flags flags;
  std::vector<FigureAt> clustered;
  for (const ClaimedClusters& claimed :
       FindClusters(input, minEffect, RuleOf(Rule::kClusters).budget)) {
    clustered.push_back(claimed.at);
  }
  flags.clusters = !clustered.empty();
  flags.drift =
      FindDrift(input, minEffect, RuleOf(Rule::kDrift).budget).has_value();
  flags.first =
      FindFirstRunOff(input, minEffect, RuleOf(Rule::kFirstRun).budget)
          .has_value();
  flags.outlier = !FindOutlierRuns(input, minEffect,
                                   RuleOf(Rule::kOutlier).budget, clustered)
                       .empty();
  return flags;
}

Flags OldFlags(const std::vector<RunValues>& input) {
  Flags flags;
  for (const RunValues& column : input) {
    for (const std::vector<double>& figure : column.figures) {
      const std::vector<double> values = Present(figure);
      if (values.size() != figure.size()) continue;
      flags.drift = flags.drift || old_rules::Drifts(values);
      flags.clusters = flags.clusters || old_rules::TwoClusters(values);
      for (const std::size_t i : old_rules::Outliers(values)) {
        if (column.runs[i] == 1) {
          flags.first = true;
        } else {
          flags.outlier = true;
        }
      }
    }
  }
  return flags;
}

RuleRates StableStandIn(const StandIn& s, int inputs, std::uint64_t seed) {
  Random random(seed);
  return Measure(
      inputs, [&] { return MakeInput(s, random); }, kMinEffect);
}

NullVerdicts MeasureNullVerdicts(const StandIn& s, double effect, int inputs,
                                 std::uint64_t seed) {
  Random random(seed);
  NullVerdicts r;
  const int figures = static_cast<int>(s.figures * s.columns);
  const int runs = static_cast<int>(s.runs);
  for (int i = 0; i < inputs; ++i) {
    // B against the baseline A, and C, a third input, against A too.
    std::vector<Samples> b;
    std::vector<Samples> c;
    for (int f = 0; f < figures; ++f) {
      Samples ab = Pair(runs, runs, s.cv, effect, random);
      Samples ac{{}, ab.baseline, false, {}};
      for (int k = 0; k < runs; ++k) {
        ac.values.push_back(100 * Draw(true, s.cv, random));
      }
      b.push_back(std::move(ab));
      c.push_back(std::move(ac));
    }
    const std::vector<FigureVerdict> verdicts = JudgeFamily(b, kMinEffect);
    bool differs = false;
    bool disagrees = false;
    for (const FigureVerdict& v : verdicts) {
      differs = differs || Differs(v.verdict);
      if (v.adjusted) {
        const bool excludes = v.adjusted->low > 1 || v.adjusted->high < 1;
        disagrees = disagrees || (excludes != Differs(v.verdict));
      }
    }
    r.differsNew.Add(differs);
    r.intervalDisagreesNew.Add(disagrees);
    // The old rules: the report's family, with and without C.
    const std::vector<double> pb = PValues(b);
    std::vector<double> both = pb;
    const std::vector<double> pc = PValues(c);
    both.insert(both.end(), pc.begin(), pc.end());
    const std::vector<Verdict> alone = OldVerdicts(b, AdjustForManyTests(pb));
    std::vector<double> adjustedBoth = AdjustForManyTests(both);
    adjustedBoth.resize(pb.size());
    const std::vector<Verdict> withC = OldVerdicts(b, adjustedBoth);
    bool differsOld = false;
    bool disagreesOld = false;
    for (std::size_t f = 0; f < alone.size(); ++f) {
      differsOld = differsOld || Differs(alone[f]);
      const auto e = EstimateRatio(b[f].values, b[f].baseline);
      if (e->low) {
        const bool excludes = *e->low > 1 || *e->high < 1;
        disagreesOld = disagreesOld || (excludes != Differs(alone[f]));
      }
    }
    r.differsOld.Add(differsOld);
    r.intervalDisagreesOld.Add(disagreesOld);
    r.changedByThirdOld.Add(alone != withC);
    // The new rules judge B alone, whatever else the report holds.
    r.changedByThirdNew.Add(false);
  }
  return r;
}

TiedVerdicts MeasureTies(int pairs, std::uint64_t seed) {
  Random random(seed);
  TiedVerdicts r;
  for (int i = 0; i < pairs; ++i) {
    // Rates printed to two digits: 96, 97, ...; a 2% difference.
    Samples s;
    for (int k = 0; k < 8; ++k) {
      s.values.push_back(std::round(98 * Draw(false, 0.015, random)));
      s.baseline.push_back(std::round(96 * Draw(false, 0.015, random)));
    }
    const auto e = EstimateRatio(s.values, s.baseline);
    const bool touches = e->low && (*e->low == 1 || *e->high == 1);
    // The old p ignored ties: the untied exact distribution.
    const double oldP =
        RankSumNull(8, 8).TwoSidedP(RankSumU(s.values, s.baseline));
    r.touchingOld.Add(touches && oldP < 0.05);
    const FigureVerdict v = JudgeFamily({s}, kMinEffect)[0];
    r.touchingNew.Add(touches && Differs(v.verdict));
  }
  return r;
}

AdviceRates MeasureAdvice(double effect, double cv, int runs, int inputs,
                          std::uint64_t seed) {
  Random random(seed);
  AdviceRates r;
  constexpr int kFigures = 15;
  for (int i = 0; i < inputs; ++i) {
    std::vector<Samples> family;
    for (int f = 0; f < kFigures; ++f) {
      family.push_back(Pair(runs, runs, cv, effect, random));
    }
    const std::vector<FigureVerdict> verdicts = JudgeFamily(family, kMinEffect);
    for (int f = 0; f < kFigures; ++f) {
      const FigureVerdict& v = verdicts[f];
      if (v.verdict != Verdict::kInconclusive &&
          v.verdict != Verdict::kTooFewRuns) {
        continue;
      }
      // The truth the advice is followed under: the estimated effect, and
      // the spread the runs come with.
      const double estimated = v.estimate->ratio - 1;
      const double spread = cv;
      // The new advice, followed: every figure of the family runs again.
      r.advisedNew.Add(v.runsToSettle.has_value());
      if (v.runsToSettle && std::fabs(estimated) >= 1.5 * kMinEffect) {
        const int n = *v.runsToSettle;
        std::vector<Samples> again;
        for (int g = 0; g < kFigures; ++g) {
          again.push_back(g == f ? Pair(n, n, spread, estimated, random)
                                 : Pair(n, n, spread, 0, random));
        }
        const Verdict after = JudgeFamily(again, kMinEffect)[f].verdict;
        r.settledNew.Add(after != Verdict::kInconclusive &&
                         after != Verdict::kTooFewRuns);
      }
      // The old advice, from the plain interval.
      if (v.estimate->low && v.estimate->high) {
        const int n =
            old_rules::RunsToSettle(v.estimate->ratio, *v.estimate->low,
                                    *v.estimate->high, runs, runs, kMinEffect);
        r.advisedOld.Add(true);
        r.notMoreOld.Add(n <= runs);
        if (std::fabs(estimated) >= 1.5 * kMinEffect && n <= 500) {
          std::vector<Samples> again;
          for (int g = 0; g < kFigures; ++g) {
            again.push_back(g == f ? Pair(n, n, spread, estimated, random)
                                   : Pair(n, n, spread, 0, random));
          }
          const std::vector<double> p = PValues(again);
          const Verdict after = OldVerdicts(again, AdjustForManyTests(p))[f];
          r.settledOld.Add(after != Verdict::kInconclusive &&
                           after != Verdict::kTooFewRuns);
        }
      }
    }
  }
  return r;
}

PrecisionRates MeasurePrecision(double target, int maxRuns, int sweeps,
                                std::uint64_t seed) {
  Random random(seed);
  PrecisionRates r;
  constexpr int kFigures = 15;
  constexpr std::size_t kFewestRounds = 6;
  double overNew = 0;
  double overOld = 0;
  for (int s = 0; s < sweeps; ++s) {
    // Every figure's runs up to the cap, drawn ahead: each rule stops
    // somewhere along them.
    std::size_t stopNew = kFewestRounds;
    std::size_t stopOld = kFewestRounds;
    std::size_t oracle = kFewestRounds;
    for (int f = 0; f < kFigures; ++f) {
      const double cv = 0.01 + 0.19 * random.Uniform();
      std::vector<double> values;
      for (int k = 0; k < maxRuns; ++k) {
        values.push_back(100 * Draw(true, cv, random));
      }
      // Where it first gets there, and whether it is there at the cap.
      std::optional<std::size_t> reaches;
      for (std::size_t n = kFewestRounds; n <= values.size(); ++n) {
        const auto p = PrecisionAt(values, n);
        if (p && *p <= target) {
          reaches = n;
          break;
        }
      }
      const auto atCap = PrecisionAt(values, values.size());
      const bool there = atCap && *atCap <= target;
      if (there && reaches) oracle = std::max(oracle, *reaches);
      // The new rule, round by round.
      bool givenUp = false;
      std::size_t n = kFewestRounds;
      for (; n <= values.size(); ++n) {
        const PrecisionPlan plan = PlanPrecision(
            {values.begin(), values.begin() + n}, target, maxRuns);
        if (plan.done) break;
        if (plan.givenUp) {
          givenUp = true;
          break;
        }
      }
      // The runs-needed estimate a given-up figure is named with, against
      // the runs it really takes (continued past the cap).
      if (givenUp && n <= values.size()) {
        const PrecisionPlan plan = PlanPrecision(
            {values.begin(), values.begin() + n}, target, maxRuns);
        std::vector<double> more = values;
        for (int k = maxRuns; k < 1000; ++k) {
          more.push_back(100 * Draw(true, cv, random));
        }
        std::optional<std::size_t> took;
        for (std::size_t m = n + 1; m <= more.size(); ++m) {
          const auto p = PrecisionAt(more, m);
          if (p && *p <= target) {
            took = m;
            break;
          }
        }
        if (took && plan.runsNeeded) {
          r.estimateWithin30.Add(
              std::fabs(*plan.runsNeeded - static_cast<double>(*took)) <=
              0.3 * static_cast<double>(*took));
        }
      }
      stopNew = std::max(stopNew, std::min(n, values.size()));
      r.givenUpNew.Add(givenUp);
      if (givenUp) r.wouldReachNew.Add(there);
      // The old rule.
      bool givenUpOld = false;
      std::size_t o = kFewestRounds;
      for (; o <= values.size(); ++o) {
        const std::vector<double> first(values.begin(), values.begin() + o);
        const auto p = PrecisionAt(values, o);
        if (p && *p <= target) break;
        const double needed =
            std::max<double>(o + 1, old_rules::RunsForPrecision(first, target));
        if (needed > maxRuns) {
          givenUpOld = true;
          break;
        }
      }
      stopOld = std::max(stopOld, std::min(o, values.size()));
      r.givenUpOld.Add(givenUpOld);
      if (givenUpOld) r.wouldReachOld.Add(there);
    }
    overNew += static_cast<double>(stopNew) / static_cast<double>(oracle);
    overOld += static_cast<double>(stopOld) / static_cast<double>(oracle);
  }
  r.runsOverOracleNew = overNew / sweeps;
  r.runsOverOracleOld = overOld / sweeps;
  return r;
}

void WriteTable(int inputs, const std::vector<RealRun>& sweeps,
                std::ostream& out) {
  out << "## False alarms on stable stand-in inputs (15 figures a column)\n\n"
         "| input | any warning, new | any warning, old | drift | first run "
         "| outlier | clusters |\n|---|---|---|---|---|---|---|\n";
  std::uint64_t seed = 1;
  for (const bool logNormal : {false, true}) {
    for (const double cv : {0.03, 0.10, 0.20}) {
      if (logNormal && cv < 0.05) continue;
      for (const std::size_t n : {6, 10, 20, 30}) {
        for (const std::size_t columns : {1, 3}) {
          if (columns == 3 && n != 10) continue;
          StandIn s;
          s.logNormal = logNormal;
          s.cv = cv;
          s.runs = n;
          s.columns = columns;
          const RuleRates r = StableStandIn(s, inputs, seed++);
          out << "| " << Shape(s) << " | " << Upper(r.anyNew) << " | "
              << Upper(r.anyOld) << " | " << Upper(r.drift) << " (old "
              << Percent(r.driftOld.Share()) << ") | " << Upper(r.first)
              << " (old " << Percent(r.firstOld.Share()) << ") | "
              << Upper(r.outlier) << " (old " << Percent(r.outlierOld.Share())
              << ") | " << Upper(r.clusters) << " (old "
              << Percent(r.clustersOld.Share()) << ") |\n"
              << std::flush;
        }
      }
    }
  }

  out << "\n## Detection of planted effects (normal runs)\n\n"
         "| effect | runs | found, new | found, old |\n|---|---|---|---|\n";
  const auto detect = [&](const char* name, StandIn s, bool Flags::*rule,
                          const char* target) {
    Random random(seed++);
    Rate found;
    Rate foundOld;
    for (int i = 0; i < inputs; ++i) {
      const std::vector<RunValues> input = MakeInput(s, random);
      found.Add(NewFlags(input, kMinEffect).*rule);
      foundOld.Add(OldFlags(input).*rule);
    }
    out << "| " << name << " (target " << target << ") | " << s.runs << " | "
        << Lower(found) << " | " << Percent(foundOld.Share()) << " |\n"
        << std::flush;
  };
  {
    StandIn s;
    s.cv = 0.03;
    s.runs = 10;
    s.slideAll = -0.10;
    detect("every figure slides 10% over the sweep, CV 3%", s, &Flags::drift,
           "80%");
    s.slideAll = 0;
    s.slideOne = -0.10;
    for (const std::size_t n : {20, 30}) {
      s.runs = n;
      detect("one figure slides 10%, CV 3%", s, &Flags::drift, "80% from 20");
    }
    s.slideOne = 0;
    s.firstAll = -0.30;
    s.runs = 6;
    detect("the first run 30% off in every figure, CV 3%", s, &Flags::first,
           "90% from 6");
    s.runs = 10;
    detect("the first run 30% off in every figure, CV 3%", s, &Flags::first,
           "90% from 6");
    s.firstAll = 0;
    s.outlierOne = -0.30;
    detect("one later run 30% off in one figure, CV 3%", s, &Flags::outlier,
           "none set");
    s.outlierOne = 0;
    s.bimodal = true;
    for (const std::size_t n : {10, 20, 30}) {
      s.runs = n;
      detect("modes x0.75, 4% CV each, 30/70, in one figure", s,
             &Flags::clusters, "90% from 20");
    }
    s.bimodal = false;
    s.bulkWrite = true;
    for (const std::size_t n : {6, 10, 20}) {
      s.runs = n;
      detect("this machine's bulk write (600 or 2,850 MB/s, 30/70)", s,
             &Flags::clusters, "found from 10");
    }
  }

  if (!sweeps.empty()) {
    out << "\n## Real sweeps of this machine, resampled (threads 1 and 2)\n\n"
           "Each input: N runs at each thread count drawn at random from "
           "one real sweep (all its runs, or those the disturbance rule "
           "leaves unmarked). The bulk write is two-valued here (the page "
           "cache, or the cache throttled to the disk): its three figures "
           "are counted apart, where a cluster claim is a finding; the "
           "other twelve figures of each column are unimodal.\n\n"
           "| sweep | runs | any warning, 12 figures, new | old | drift | "
           "first run | outlier | clusters | bulk write found two-valued | "
           "disturbed marks, new | old |\n"
           "|---|---|---|---|---|---|---|---|---|---|---|\n";
    std::vector<RealRun> both = sweeps;
    const std::vector<RealRun> steady = Undisturbed(sweeps);
    both.insert(both.end(), steady.begin(), steady.end());
    for (const std::string& name : SweepNames(both)) {
      for (const std::size_t n : {6, 10, 20, 30}) {
        Random random(seed++);
        Rate bulk;
        const RuleRates r = Measure(
            inputs,
            [&] {
              std::vector<RunValues> input = Replay(both, name, n, random);
              bulk.Add(NewFlags(BulkWriteOnly(input), kMinEffect).clusters);
              return WithoutBulkWrite(input);
            },
            kMinEffect);
        Rate marks;
        Rate marksOld;
        for (int i = 0; i < inputs; ++i) {
          const std::vector<RunEntry> runs =
              ReplayEntries(both, name, 2 * n, random);
          const Disturbance d = JudgeDisturbance(runs);
          marks.Add(std::find(d.marked.begin(), d.marked.end(), true) !=
                    d.marked.end());
          std::vector<double> memory;
          std::vector<double> disk;
          for (const RunEntry& e : runs) {
            memory.push_back(e.probeBefore ? e.probeBefore->memorySeconds : 1);
            disk.push_back(e.probeBefore ? e.probeBefore->diskSeconds : 1);
          }
          const std::vector<bool> m = old_rules::Disturbed(memory, 1.5);
          const std::vector<bool> d2 = old_rules::Disturbed(disk, 1.25);
          bool any = false;
          for (std::size_t k = 0; k < m.size(); ++k) any = any || m[k] || d2[k];
          marksOld.Add(any);
        }
        out << "| " << name << " | " << n << " a count | " << Upper(r.anyNew)
            << " | " << Percent(r.anyOld.Share()) << " | " << Upper(r.drift)
            << " | " << Upper(r.first) << " | " << Upper(r.outlier) << " | "
            << Upper(r.clusters) << " | " << Lower(bulk) << " | "
            << Upper(marks) << " | " << Percent(marksOld.Share()) << " |\n"
            << std::flush;
      }
    }
  }

  out << "\n## Verdicts with no difference (log-normal runs, CV 10%)\n\n"
         "| comparison | any difference claimed, new | old | interval "
         "disagrees with verdict, new | old | verdicts changed by a third "
         "input, new | old |\n|---|---|---|---|---|---|---|\n";
  for (const std::size_t n : {6, 10, 20}) {
    for (const std::size_t columns : {1, 3}) {
      StandIn s;
      s.logNormal = true;
      s.cv = 0.10;
      s.runs = n;
      s.columns = columns;
      const NullVerdicts r = MeasureNullVerdicts(s, 0, inputs, seed++);
      out << "| " << Shape(s) << " a side | " << Upper(r.differsNew) << " | "
          << Percent(r.differsOld.Share()) << " | "
          << Upper(r.intervalDisagreesNew) << " | "
          << Percent(r.intervalDisagreesOld.Share()) << " | "
          << Upper(r.changedByThirdNew) << " | "
          << Percent(r.changedByThirdOld.Share()) << " |\n"
          << std::flush;
    }
  }
  {
    StandIn s;
    s.logNormal = true;
    s.cv = 0.05;
    s.runs = 10;
    const NullVerdicts r = MeasureNullVerdicts(s, 0.04, inputs, seed++);
    out << "| a real 4% difference, CV 5%, 10 runs a side | "
        << Percent(r.differsNew.Share()) << " | "
        << Percent(r.differsOld.Share()) << " | "
        << Upper(r.intervalDisagreesNew) << " | "
        << Percent(r.intervalDisagreesOld.Share()) << " | | |\n";
  }
  const TiedVerdicts ties = MeasureTies(inputs, seed++);
  out << "\nQuantised rates (two digits, 8 runs a side, 2% apart): a "
         "difference claimed while its interval touches 1: new "
      << Upper(ties.touchingNew) << ", old " << Upper(ties.touchingOld)
      << ".\n";

  out << "\n## \"About N runs a side would tell\" (15 figures, CV 10%)\n\n"
         "| true effect | runs a side | advised, new | settled by following "
         "it, new | old advice no more than the runs made | settled by "
         "following it, old |\n|---|---|---|---|---|---|\n";
  for (const double effect : {0.03, 0.075, 0.10}) {
    for (const int runs : {6, 10}) {
      const AdviceRates r =
          MeasureAdvice(effect, 0.10, runs, inputs / 10, seed++);
      out << "| " << Percent(effect) << " | " << runs << " | "
          << Percent(r.advisedNew.Share()) << " of " << r.advisedNew.inputs
          << " | " << Lower(r.settledNew) << " | "
          << Percent(r.notMoreOld.Share()) << " | "
          << Percent(r.settledOld.Share()) << " of " << r.settledOld.inputs
          << " |\n"
          << std::flush;
    }
  }

  out << "\n## --precision (15 figures a sweep, each CV 1-20%, --max-runs "
         "30)\n\nWould have got there: within the target at --max-runs runs. "
         "Runs over knowing: the sweep's runs against those it would make "
         "if it knew from the start which figures get there (the first run "
         "count at which each does).\n\n"
         "| target | given up, new | of those, would have got "
         "there | given up, old | of those, would have got there | runs "
         "over knowing, new | old | runs needed within 30% |\n"
         "|---|---|---|---|---|---|---|---|\n";
  for (const double target : {0.03, 0.05}) {
    const PrecisionRates r = MeasurePrecision(target, 30, inputs / 10, seed++);
    out << "| \u00b1" << Percent(target) << " | "
        << Percent(r.givenUpNew.Share()) << " | " << Upper(r.wouldReachNew)
        << " | " << Percent(r.givenUpOld.Share()) << " | "
        << Percent(r.wouldReachOld.Share()) << " | "
        << Percent(r.runsOverOracleNew - 1) << " | "
        << Percent(r.runsOverOracleOld - 1) << " | "
        << Lower(r.estimateWithin30) << " |\n"
        << std::flush;
  }
}
