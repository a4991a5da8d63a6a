// Runs made while the machine was busy with something else. A run is
// judged first by what the kernel counted during it: other processes' CPU
// time and the time the hypervisor stole, as cores' worth over its wall
// time, so that a machine busy throughout is seen as busy; then by the
// short probes before and after it, against the sweep's typical probe.
// When most runs would be marked, the machine was busy throughout: that
// is said once, and the runs are not told apart.
#ifndef DRIVES_CONCLUSIONS_DISTURBANCE_H_
#define DRIVES_CONCLUSIONS_DISTURBANCE_H_

#include <string>
#include <vector>

#include "runs/manifest.h"
#include "runs/run_folder.h"

// Other processes' CPU time during a run, in cores' worth, from which it
// was disturbed: a quarter of a core on average. A quiet machine here
// shows 0.002 to 0.03; a compiler beside the benchmark 0.5 to 1.3.
constexpr double kBusyCores = 0.25;
// "Busy throughout" takes at least this many runs, most of them marked.
constexpr std::size_t kFewestRunsForBusy = 3;
// Runs shorter than this are judged by their probes alone: the kernel
// counts CPU time in hundredths of a second.
constexpr double kShortestCountedRun = 1;
// Stolen time, in cores' worth, from which a run was disturbed.
constexpr double kStolenCores = 0.1;
// A probe this many times the sweep's median marks its run: a quiet
// machine's probes stay within 1.8 times it.
constexpr double kProbeSlowdown = 2;

struct Disturbance {
  std::vector<bool> marked;  // of each run
  // Most runs were marked: the machine was busy throughout.
  bool busyThroughout = false;
  double otherCores = 0;  // the median over the runs of other processes' CPU
};

// Of the runs of one sweep, in order (warm-up and failed runs included:
// their probes tell of the machine too).
Disturbance JudgeDisturbance(const std::vector<RunEntry>& runs);

// Marks the runs of a folder read earlier by these rules, whatever its
// manifest says (a folder made by an older drives-report judged by older
// rules); a run the manifest has no measures of keeps its mark.
void MarkDisturbed(const Manifest& manifest, std::vector<RunMark>& marks);

#endif  // DRIVES_CONCLUSIONS_DISTURBANCE_H_
