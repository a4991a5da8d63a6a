// The three parallel phases: every thread of the team runs a test on its own
// slot at the same time as the others, reports under one shared critical
// section, and after the join the totals and improvement ratios follow.
#ifndef DRIVES_PARALLEL_PARALLEL_PHASES_H_
#define DRIVES_PARALLEL_PARALLEL_PHASES_H_

#include <ostream>

// Phase 4: the file-handling cycle loop.
void RunParallelFileHandling(std::ostream& results);
// Phase 5: the byte-wise write and read passes.
void RunParallelByteWise(std::ostream& results);
// Phase 6: the bulk read and write.
void RunParallelBulk(std::ostream& results);

#endif  // DRIVES_PARALLEL_PARALLEL_PHASES_H_
