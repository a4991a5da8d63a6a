// drives64 / drives32: a console benchmark of the file system of the drive
// that holds the current directory. It takes no arguments.
#include "driver/run_sequence.h"

int main() { return RunBenchmark(); }
