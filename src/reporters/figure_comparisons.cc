#include "reporters/figure_comparisons.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "reporters/readable_number.h"
#include "reporters/report_work.h"
#include "statistics/benjamini_hochberg.h"

namespace {

// "5%", "2.5%".
std::string EffectText(double minEffect) {
  char text[32];
  std::snprintf(text, sizeof text, "%g%%", minEffect * 100);
  return text;
}

}  // namespace

std::string RatioText(const RatioEstimate& e) {
  std::string text = ReadableRatio(e.ratio);
  if (e.low && e.high) {
    text += " (" + ReadableNumber(*e.low) + "\u2013" + ReadableNumber(*e.high) +
            ")";
  }
  return text;
}

FigureComparisons::FigureComparisons(std::vector<FigureComparison> all)
    : all_(std::move(all)) {
  for (std::size_t i = 0; i < all_.size(); ++i) {
    const std::size_t key =
        all_[i].column * kFigureRowCount + all_[i].row.Position();
    if (key >= at_.size()) at_.resize(key + 1, 0);
    at_[key] = i + 1;
  }
}

const FigureComparison* FigureComparisons::Find(std::size_t column,
                                                const FigureRow& row) const {
  ++WorkDone().comparisons;
  const std::size_t key = column * kFigureRowCount + row.Position();
  if (key >= at_.size() || at_[key] == 0) return nullptr;
  return &all_[at_[key] - 1];
}

FigureComparisons CompareWithBaseline(const Comparison& comparison,
                                      const std::vector<Column>& columns) {
  std::vector<FigureComparison> comparisons;
  const std::vector<std::optional<std::size_t>> baselines =
      BaselineColumns(comparison, columns);
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const std::optional<std::size_t> base = baselines[c];
    if (!base) continue;
    for (const FigureRow& row : ComparedFigures()) {
      if (!row.Compares()) continue;
      const std::vector<double> values = columns[c].Values(row);
      const std::vector<double> baseValues = columns[*base].Values(row);
      if (values.empty() || baseValues.empty()) continue;
      FigureComparison f;
      f.column = c;
      f.baseline = *base;
      f.row = row;
      f.runs = static_cast<int>(values.size());
      f.baselineRuns = static_cast<int>(baseValues.size());
      f.estimate = EstimateRatio(values, baseValues);
      comparisons.push_back(f);
    }
  }
  std::vector<double> p;
  for (const FigureComparison& f : comparisons) {
    if (f.estimate) p.push_back(f.estimate->pValue);
  }
  const std::vector<double> adjusted = AdjustForManyTests(p);
  std::size_t next = 0;
  for (FigureComparison& f : comparisons) {
    if (!f.estimate) continue;
    f.pAdjusted = adjusted[next++];
    f.verdict = Decide(*f.estimate, f.pAdjusted, comparison.minEffect);
    f.runsToSettle =
        RunsToSettle(*f.estimate, f.runs, f.baselineRuns, comparison.minEffect);
  }
  return FigureComparisons(std::move(comparisons));
}

bool Differs(Verdict verdict) {
  return verdict == Verdict::kFaster || verdict == Verdict::kSlower ||
         verdict == Verdict::kFasterSmall || verdict == Verdict::kSlowerSmall;
}

std::string VerdictText(const FigureComparison& f, double minEffect) {
  if (!f.estimate) return "cannot be compared";
  const RatioEstimate& e = *f.estimate;
  const std::string ratio = RatioText(e);
  const std::string small = ", maybe by under " + EffectText(minEffect);
  switch (f.verdict) {
    case Verdict::kTooFewRuns:
      return ratio + ", too few runs to tell";
    case Verdict::kSame:
      return "same within " + EffectText(minEffect) + " " + ratio;
    case Verdict::kFaster:
      return "faster " + ratio;
    case Verdict::kSlower:
      return "slower " + ratio;
    case Verdict::kFasterSmall:
      return "faster " + ratio + small;
    case Verdict::kSlowerSmall:
      return "slower " + ratio + small;
    case Verdict::kInconclusive:
      break;
  }
  return "no clear difference " + ratio + ": about " +
         std::to_string(f.runsToSettle) + " runs a side would tell";
}

std::string ShortVerdictText(const FigureComparison& f, double minEffect) {
  if (!f.estimate) return "cannot be compared";
  switch (f.verdict) {
    case Verdict::kTooFewRuns:
      return "too few runs";
    case Verdict::kSame:
      return "same within " + EffectText(minEffect);
    case Verdict::kInconclusive:
      return "no clear difference";
    case Verdict::kFaster:
    case Verdict::kFasterSmall:
      return "faster " + RatioText(*f.estimate);
    case Verdict::kSlower:
    case Verdict::kSlowerSmall:
      break;
  }
  return "slower " + RatioText(*f.estimate);
}
