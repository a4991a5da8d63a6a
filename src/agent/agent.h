// drives-agent: one client of a multi-client run of the benchmark. mpirun
// starts one per slot; each makes its own folder in the shared directory,
// meets the others at a barrier, runs the benchmark there, and sends what
// came of it to the agent of rank 0, which hands every client's files and
// times to the runner in one folder.
#ifndef DRIVES_AGENT_AGENT_H_
#define DRIVES_AGENT_AGENT_H_

// Exit status: 0 when the hand-off was written (whatever the benchmarks
// did), 1 when it could not be, 2 for a wrong command line, 130 when
// interrupted.
int RunAgent(int argc, char** argv);

#endif  // DRIVES_AGENT_AGENT_H_
