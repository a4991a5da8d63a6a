// The arithmetic that holds between the figures of one report, checked within
// the rounding of their printing (6 significant digits). A failed check is a
// finding: the line, what was checked, the value expected and the one found.
#ifndef DRIVES_RESULTS_RECORD_CHECKS_H_
#define DRIVES_RESULTS_RECORD_CHECKS_H_

#include <optional>
#include <string>
#include <vector>

#include "results/run_record.h"

// A value derived from up to three printed ones is off by at most about
// 1.5e-5 of itself; some C runtimes round less carefully.
constexpr double kPrintTolerance = 5e-5;

// Whether a printed value agrees with the one the others give; infinities
// and not-a-number agree only with themselves.
bool AgreesWithinPrinting(double found, double expected);

// `thread` is the thread whose measurement it is, kSingleThread or
// kTeamTotal.
constexpr int kSingleThread = -1;
constexpr int kTeamTotal = -2;
// rate = nominal count / elapsed, shown in the unit its line prints.
void CheckRate(Figure figure, int thread, const Measurement& m, int rateLine,
               std::vector<Finding>& findings);
// The MB line = rate x 2^-20.
void CheckMegabytes(Figure figure, int thread, double rate,
                    double printedMegabytes, int line,
                    std::vector<Finding>& findings);

// Each thread 0..T-1 reports once, T being the printed thread count.
void CheckThreadSet(Section section, const TeamFigure& team,
                    std::optional<int> threadCount, int line,
                    std::vector<Finding>& findings);
// The total = the sum of the threads' rates.
void CheckTotal(Figure figure, const TeamFigure& team,
                std::vector<Finding>& findings);
// The improvement = total / single-thread rate.
void CheckImprovement(Figure figure, const TeamFigure& team,
                      const std::optional<Measurement>& single,
                      std::vector<Finding>& findings);

#endif  // DRIVES_RESULTS_RECORD_CHECKS_H_
