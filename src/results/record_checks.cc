#include "results/record_checks.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "driver/number_format.h"
#include "results/figures.h"

namespace {

// A rate as its line prints it: millions of accesses, or files, per second.
double AsPrinted(Figure figure, double rate) {
  return IsTransfer(figure) ? MillionsPerSecond(rate) : rate;
}

std::string Who(int thread) {
  if (thread == kSingleThread) return "";
  if (thread == kTeamTotal) return "total ";
  return "thread " + std::to_string(thread) + " ";
}

// Called only once a check has failed, so that the texts cost nothing on
// the common path.
void AddFinding(std::vector<Finding>& findings, int line, std::string check,
                double expected, const std::string& because, double found) {
  findings.push_back({line, std::move(check),
                      FormatNumber(expected) + " (" + because + ")",
                      FormatNumber(found)});
}

std::string ThreadList(const std::vector<int>& threads) {
  std::string list;
  for (const int t : threads) {
    list += (list.empty() ? "" : ", ") + std::to_string(t);
  }
  return list.empty() ? "none" : list;
}

}  // namespace

bool AgreesWithinPrinting(double found, double expected) {
  if (std::isnan(found) || std::isnan(expected)) {
    return std::isnan(found) && std::isnan(expected);
  }
  if (std::isinf(found) || std::isinf(expected)) return found == expected;
  return std::fabs(found - expected) <= kPrintTolerance * std::fabs(expected);
}

void CheckRate(Figure figure, int thread, const Measurement& m, int rateLine,
               std::vector<Finding>& findings) {
  const double found = AsPrinted(figure, m.rate);
  const double expected = AsPrinted(figure, NominalCount(figure) / m.elapsed);
  if (AgreesWithinPrinting(found, expected)) return;
  const char* unit = IsTransfer(figure) ? " accesses" : " cycles";
  AddFinding(findings, rateLine, Who(thread) + FigureTitle(figure) + " rate",
             expected,
             FormatNumber(NominalCount(figure)) + unit + " in " +
                 FormatNumber(m.elapsed) + " s",
             found);
}

void CheckMegabytes(Figure figure, int thread, double rate,
                    double printedMegabytes, int line,
                    std::vector<Finding>& findings) {
  const double expected = MegabytesPerSecond(rate);
  if (AgreesWithinPrinting(printedMegabytes, expected)) return;
  AddFinding(findings, line, Who(thread) + FigureTitle(figure) + " MB/s",
             expected,
             FormatNumber(MillionsPerSecond(rate)) +
                 " million accesses/s in MB of 2^20 bytes",
             printedMegabytes);
}

void CheckThreadSet(Section section, const TeamFigure& team,
                    std::optional<int> threadCount, int line,
                    std::vector<Finding>& findings) {
  std::vector<int> sorted;
  for (const ThreadMeasurement& t : team.threads) sorted.push_back(t.thread);
  std::sort(sorted.begin(), sorted.end());
  const auto repeated = std::adjacent_find(sorted.begin(), sorted.end());
  if (repeated != sorted.end()) {
    findings.push_back(
        {line, std::string("threads of ") + SectionTitle(section),
         "each thread once", "thread " + std::to_string(*repeated) + " twice"});
    return;
  }
  const int count = threadCount.value_or(static_cast<int>(sorted.size()));
  bool complete = static_cast<int>(sorted.size()) == count;
  for (int i = 0; complete && i < count; ++i) complete = sorted[i] == i;
  if (complete) return;
  findings.push_back({line, std::string("threads of ") + SectionTitle(section),
                      "threads 0 to " + std::to_string(count - 1),
                      ThreadList(sorted)});
}

void CheckTotal(Figure figure, const TeamFigure& team,
                std::vector<Finding>& findings) {
  double sum = 0;
  for (const ThreadMeasurement& t : team.threads) sum += t.measurement.rate;
  const double found = AsPrinted(figure, *team.total);
  const double expected = AsPrinted(figure, sum);
  if (AgreesWithinPrinting(found, expected)) return;
  AddFinding(findings, team.totalLine,
             std::string("total ") + FigureTitle(figure) + " rate", expected,
             "the sum of " + std::to_string(team.threads.size()) + " threads",
             found);
}

void CheckImprovement(Figure figure, const TeamFigure& team,
                      const std::optional<Measurement>& single,
                      std::vector<Finding>& findings) {
  if (!single || !team.total || !team.improvement) return;
  const double expected = *team.total / single->rate;
  if (AgreesWithinPrinting(*team.improvement, expected)) return;
  AddFinding(findings, team.improvementLine,
             std::string(FigureTitle(figure)) + " improvement", expected,
             "total " + FormatNumber(AsPrinted(figure, *team.total)) +
                 " / single thread " +
                 FormatNumber(AsPrinted(figure, single->rate)),
             *team.improvement);
}
