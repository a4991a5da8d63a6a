#include "phases.h"

#include <cstdio>
#include <string>
#include <vector>

#include "conclusions/dependence.h"
#include "conclusions/verdict.h"

namespace {

constexpr double kMinEffect = 0.05;

// One figure's runs of two inputs, in the shape the report's verdicts take.
std::vector<Samples> Family(const std::vector<RunValues>& a,
                            const std::vector<RunValues>& b, bool worth) {
  const SerialDependence da = InputDependence(a);
  const SerialDependence db = InputDependence(b);
  std::vector<Samples> family;
  for (std::size_t c = 0; c < a.size(); ++c) {
    for (std::size_t f = 0; f < a[c].figures.size(); ++f) {
      Samples s{a[c].figures[f], b[c].figures[f], false, {}};
      if (worth) {
        s.worth = {da.Worth(s.values.size()), db.Worth(s.baseline.size())};
      }
      family.push_back(std::move(s));
    }
  }
  return family;
}

std::string Name(const StandIn& s) {
  char text[128];
  std::snprintf(text, sizeof text, "%s%s, CV %.0f%%, %zu runs",
                s.tailsDf > 0
                    ? ("t, " + std::to_string(s.tailsDf) + " df").c_str()
                    : "normal",
                s.rho > 0 ? (", AR(1) " + std::to_string(s.rho).substr(0, 3) +
                             (s.sharedPhase ? " shared" : " own"))
                                .c_str()
                          : "",
                s.cv * 100, s.runs);
  return text;
}

std::string Cell(const Rate& r, bool upper) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f%% (%s %.1f%%)", r.Share() * 100,
                upper ? "\u2264" : "\u2265",
                (upper ? r.Upper() : r.Lower()) * 100);
  return text;
}

// The noise models of the tables: independent normal, heavy tails, phases.
std::vector<StandIn> Models(std::size_t runs) {
  std::vector<StandIn> models;
  const auto add = [&](int df, double rho, bool shared) {
    StandIn s;
    s.runs = runs;
    s.cv = 0.04;
    s.tailsDf = df;
    s.rho = rho;
    s.sharedPhase = shared;
    models.push_back(s);
  };
  add(0, 0, false);
  add(3, 0, false);
  add(5, 0, false);
  for (const double rho : {0.3, 0.5, 0.8}) add(0, rho, false);
  for (const double rho : {0.5, 0.8}) add(0, rho, true);
  return models;
}

}  // namespace

PairRates MeasurePairs(const StandIn& s, double effect, int pairs,
                       std::uint64_t seed) {
  Random random(seed);
  PairRates r;
  for (int i = 0; i < pairs; ++i) {
    std::vector<RunValues> a = MakeInput(s, random);
    const std::vector<RunValues> b = MakeInput(s, random);
    for (RunValues& column : a) {
      for (std::vector<double>& figure : column.figures) {
        for (double& v : figure) v *= 1 + effect;
      }
    }
    r.dependenceSaid.Add(SaysDependence(InputDependence(a), s.runs));
    for (const bool worth : {false, true}) {
      bool any = false;
      for (const FigureVerdict& v :
           JudgeFamily(Family(a, b, worth), kMinEffect)) {
        any = any || Differs(v.verdict);
        (worth ? r.figuresNew : r.figuresOld).Add(Differs(v.verdict));
      }
      (worth ? r.anyNew : r.anyOld).Add(any);
    }
  }
  return r;
}

NoiseRates MeasureNoise(const StandIn& s, int inputs, std::uint64_t seed) {
  Random random(seed);
  NoiseRates r;
  r.rules = Measure(
      inputs,
      [&] {
        std::vector<RunValues> input = MakeInput(s, random);
        r.dependence.Add(SaysDependence(InputDependence(input), s.runs));
        return input;
      },
      kMinEffect);
  return r;
}

void WritePhasesTable(int inputs, const std::vector<RealRun>& sweeps,
                      std::ostream& out) {
  out << "Stable stand-in inputs (15 figures, one column), the share with "
         "each warning (upper 95% bound); the dependence said apart:\n\n"
         "| noise | drift | first run | outlier | clusters | any of these | "
         "dependence said |\n|---|---|---|---|---|---|---|\n";
  std::uint64_t seed = 3300;
  for (const std::size_t runs : {10, 20}) {
    for (const StandIn& s : Models(runs)) {
      const NoiseRates n = MeasureNoise(s, inputs, ++seed);
      out << "| " << Name(s) << " | " << Cell(n.rules.drift, true) << " | "
          << Cell(n.rules.first, true) << " | " << Cell(n.rules.outlier, true)
          << " | " << Cell(n.rules.clusters, true) << " | "
          << Cell(n.rules.anyNew, true) << " | " << Cell(n.dependence, true)
          << " |\n";
    }
  }
  out << "\nTwo inputs made alike, every figure compared: the share of pairs "
         "with some difference claimed, the runs counted as independent "
         "(before) and as what they are worth (now):\n\n"
         "| noise | before | now | dependence said |\n|---|---|---|---|\n";
  for (const std::size_t runs : {10, 20}) {
    for (const StandIn& s : Models(runs)) {
      if (s.tailsDf > 0) continue;
      const PairRates p = MeasurePairs(s, 0, inputs, ++seed);
      out << "| " << Name(s) << " | " << Cell(p.anyOld, true) << " | "
          << Cell(p.anyNew, true) << " | " << Cell(p.dependenceSaid, false)
          << " |\n";
    }
  }
  out << "\nA 10% difference in every figure, CV 4%, 20 runs a side: the "
         "share of figures found (lower 95% bound):\n\n"
         "| noise | before | now |\n|---|---|---|\n";
  for (const StandIn& s : Models(20)) {
    if (s.tailsDf > 0 || (s.rho != 0 && s.rho != 0.5)) continue;
    const PairRates p = MeasurePairs(s, 0.10, inputs / 4, ++seed);
    out << "| " << Name(s) << " | " << Cell(p.figuresOld, false) << " | "
        << Cell(p.figuresNew, false) << " |\n";
  }
  out << "\nPlanted far runs, 15 figures: the share of inputs where the rule "
         "finds them (lower 95% bound):\n\n"
         "| noise | a later run 2x in one figure | the first run 30% off in "
         "every figure |\n|---|---|---|\n";
  for (const std::size_t runs : {10, 20}) {
    for (const int df : {0, 5, 3}) {
      for (const double cv : {0.03, 0.04, 0.08}) {
        StandIn s;
        s.runs = runs;
        s.cv = cv;
        s.tailsDf = df;
        Random random(++seed);
        Rate outlier;
        Rate first;
        for (int i = 0; i < inputs / 4; ++i) {
          s.outlierOne = 1.0;
          outlier.Add(NewFlags(MakeInput(s, random), kMinEffect).outlier);
          s.outlierOne = 0;
          s.firstAll = -0.30;
          first.Add(NewFlags(MakeInput(s, random), kMinEffect).first);
          s.firstAll = 0;
        }
        out << "| " << Name(s) << " | " << Cell(outlier, false) << " | "
            << Cell(first, false) << " |\n";
      }
    }
  }
  if (sweeps.empty()) return;
  out << "\nReal sweeps of this machine in the order their runs were made "
         "(threads 1 and 2, the bulk write left out as in the shuffled "
         "table): every window of N consecutive rounds, the windows with "
         "each warning:\n\n"
         "| sweep | runs | windows | any warning | drift | first run | "
         "outlier | clusters | dependence said |\n"
         "|---|---|---|---|---|---|---|---|---|\n";
  std::vector<RealRun> both = sweeps;
  const std::vector<RealRun> steady = Undisturbed(sweeps);
  both.insert(both.end(), steady.begin(), steady.end());
  for (const std::string& name : SweepNames(both)) {
    for (const std::size_t n : {6, 10, 20}) {
      int windows = 0;
      int counts[6] = {0, 0, 0, 0, 0, 0};
      for (std::size_t start = 0;; ++start) {
        const auto input = ReplayInOrder(both, name, n, start);
        if (!input) break;
        ++windows;
        const Flags f = NewFlags(WithoutBulkWrite(*input), kMinEffect);
        const bool said = SaysDependence(InputDependence(*input), n);
        const bool each[6] = {f.Any(),   f.drift,    f.first,
                              f.outlier, f.clusters, said};
        for (int k = 0; k < 6; ++k) counts[k] += each[k] ? 1 : 0;
      }
      if (windows == 0) continue;
      out << "| " << name << " | " << n << " | " << windows;
      for (const int c : counts) out << " | " << c;
      out << " |\n";
    }
  }
}
