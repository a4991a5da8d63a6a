// A lasting change in a series of session medians: a drive that got slower
// (or faster again) at one session and stayed so. Going through the
// sessions in order, a change counts where at least two sessions in a row
// lie beyond the minimum effect on the same side of the level since the
// last change (the median of its sessions), so that one odd session is not
// a step; the new level starts there.
#ifndef DRIVES_STATISTICS_STEP_DETECTION_H_
#define DRIVES_STATISTICS_STEP_DETECTION_H_

#include <cstddef>
#include <vector>

constexpr std::size_t kFewestSessionsAfterStep = 2;

struct Step {
  std::size_t at = 0;  // the first session after the change
  double ratio = 1;    // the sessions' median after it / the level before
};

// Every such change in `medians` (in time order), in order.
std::vector<Step> FindSteps(const std::vector<double>& medians,
                            double minEffect);

#endif  // DRIVES_STATISTICS_STEP_DETECTION_H_
