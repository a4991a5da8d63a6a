// The rules as they stood before they were calibrated, kept only so that
// the calibration can print the old rates beside the new: an outlier over
// 3 robust standard deviations, a drift where any figure's Spearman
// correlation with the run order is significant at 5%, two clusters where
// the widest gap is twice either group's range, the runs to settle and to
// reach a precision from the spread alone, and a run marked disturbed when
// a probe is 25% (file) or 50% (memory) slower than the sweep's fastest.
#ifndef DRIVES_BENCH_CALIBRATION_OLD_RULES_H_
#define DRIVES_BENCH_CALIBRATION_OLD_RULES_H_

#include <cstddef>
#include <utility>
#include <vector>

namespace old_rules {

std::vector<std::size_t> Outliers(const std::vector<double>& values);
bool Drifts(const std::vector<double>& values);
bool TwoClusters(std::vector<double> values);
// About how many runs a side would settle a comparison, from its interval
// (log scale, half-width) and effect.
int RunsToSettle(double ratio, double low, double high, int m, int n,
                 double minEffect);
double RunsForPrecision(const std::vector<double>& values, double target);
// Of probe times before each run (the same measure): which runs are marked.
std::vector<bool> Disturbed(const std::vector<double>& probes, double slowdown);

// history check as it was, on runs [figure][session][run]: the lasting
// steps of the session medians, then the runs after the latest step
// against those before it (or the latest session against all before it),
// pooled, adjusted over the figures. Each figure that changed: slower or
// not, and the session its change starts at.
std::vector<std::pair<bool, std::size_t>> HistoryCheck(
    const std::vector<std::vector<std::vector<double>>>& runs,
    double minEffect);

}  // namespace old_rules

#endif  // DRIVES_BENCH_CALIBRATION_OLD_RULES_H_
