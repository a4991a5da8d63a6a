#include "reporters/figure_comparisons.h"

#include <cstdio>

#include "reporters/readable_number.h"

std::string EffectText(double minEffect) {
  char text[32];
  std::snprintf(text, sizeof text, "%g%%", minEffect * 100);
  return text;
}

std::string RatioText(double ratio,
                      const std::optional<RatioInterval>& interval) {
  std::string text = ReadableRatio(ratio);
  if (interval) {
    text += " (" + ReadableNumber(interval->low) + "\u2013" +
            ReadableNumber(interval->high) + ")";
  }
  return text;
}

namespace {

std::string Ratio(const FigureComparison& f) {
  return RatioText(f.judged.estimate->ratio, f.judged.adjusted);
}

}  // namespace

std::string ControlledText(const FigureComparison& f) {
  const char* whose = f.attribution == Attribution::kDrive ? ": the drive's"
                      : f.attribution == Attribution::kMachine
                          ? ": the machine changed, not the drive"
                          : ": the control cannot tell whose it is";
  switch (f.controlledBy) {
    case ControlledBy::kNone:
      return "";
    case ControlledBy::kPairs:
      return std::string(
                 "; paired by round within one sweep, the machine's "
                 "phases falling on both") +
             (f.attribution == Attribution::kDrive ? whose : "");
    case ControlledBy::kRatio:
      break;
  }
  if (!f.controlled || !f.controlled->estimate) return "";
  return "; against the memory control " +
         RatioText(f.controlled->estimate->ratio, f.controlled->adjusted) +
         (Differs(f.judged.verdict) || Differs(f.controlled->verdict)
              ? std::string(whose)
              : std::string());
}

std::string VerdictText(const FigureComparison& f, double minEffect) {
  return PlainVerdictText(f, minEffect) + ControlledText(f);
}

std::string PlainVerdictText(const FigureComparison& f, double minEffect) {
  if (!f.judged.estimate) return "cannot be compared";
  const std::string ratio = Ratio(f);
  const std::string small = ", maybe by under " + EffectText(minEffect);
  switch (f.judged.verdict) {
    case Verdict::kTooFewRuns:
      break;
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
  std::string text = f.judged.verdict == Verdict::kTooFewRuns
                         ? ratio + ", too few runs to tell"
                         : "no clear difference " + ratio;
  if (f.judged.moreRunsWillNotTell) {
    return text + ": more runs will not tell";
  }
  if (f.judged.runsToSettle) {
    return text + ": about " + std::to_string(*f.judged.runsToSettle) +
           " runs a side would tell";
  }
  return text;
}

std::string ShortVerdictText(const FigureComparison& f) {
  if (!f.judged.estimate) return "cannot compare";
  const std::string ratio = Ratio(f);
  switch (f.judged.verdict) {
    case Verdict::kTooFewRuns:
      return "too few runs " + ratio;
    case Verdict::kSame:
      return "same " + ratio;
    case Verdict::kFaster:
      return "faster " + ratio;
    case Verdict::kFasterSmall:
      return "faster* " + ratio;
    case Verdict::kSlower:
      return "slower " + ratio;
    case Verdict::kSlowerSmall:
      return "slower* " + ratio;
    case Verdict::kInconclusive:
      break;
  }
  return "unclear " + ratio;
}

std::string ChartVerdictText(const FigureComparison& f, double minEffect) {
  if (!f.judged.estimate) return "cannot be compared";
  switch (f.judged.verdict) {
    case Verdict::kTooFewRuns:
      return "too few runs";
    case Verdict::kSame:
      return "same within " + EffectText(minEffect);
    case Verdict::kInconclusive:
      return "no clear difference";
    case Verdict::kFaster:
    case Verdict::kFasterSmall:
      return "faster " + Ratio(f);
    case Verdict::kSlower:
    case Verdict::kSlowerSmall:
      break;
  }
  return "slower " + Ratio(f);
}
