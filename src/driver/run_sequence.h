// The benchmark's one straight run: start-up, banner, the six phases in
// order, the closing prompt and the wait for Enter.
#ifndef DRIVES_DRIVER_RUN_SEQUENCE_H_
#define DRIVES_DRIVER_RUN_SEQUENCE_H_

// Returns the process's exit status, which is always 0.
int RunBenchmark();

#endif  // DRIVES_DRIVER_RUN_SEQUENCE_H_
