// The operation counts every rate is credited with: what a test does by
// design, whatever its calls achieved. drives-report checks the printed
// figures against the same counts.
#ifndef DRIVES_TESTS_NOMINAL_COUNTS_H_
#define DRIVES_TESTS_NOMINAL_COUNTS_H_

// File-handling cycles: 2^17 + 20, deliberately not a power of two.
constexpr int kCycleCount = 131092;

// Byte-wise passes.
constexpr int kFirstPassLength = 1 << 25;   // 32 MiB: the test file's size
constexpr int kSecondPassOffset = 1 << 24;  // the second pass rewrites or
constexpr int kSecondPassLength = 1 << 24;  // rereads the second half
// Every pass is credited with 32 MiB + 16 MiB accesses of one byte.
constexpr double kPassAccesses = kFirstPassLength + kSecondPassLength;

// Both bulk transfers are credited with the test file's nominal size, 32 MiB.
constexpr double kTransferAccesses = 1 << 25;

#endif  // DRIVES_TESTS_NOMINAL_COUNTS_H_
