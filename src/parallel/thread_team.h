// The size of the thread team that runs the parallel phases.
#ifndef DRIVES_PARALLEL_THREAD_TEAM_H_
#define DRIVES_PARALLEL_THREAD_TEAM_H_

constexpr int kMaxThreadCount = 16;

// Takes the runtime's default thread count, at most kMaxThreadCount, and
// gives it back to the runtime for every later parallel region.
void SetUpThreadTeam();

#endif  // DRIVES_PARALLEL_THREAD_TEAM_H_
