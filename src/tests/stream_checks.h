// Checks of the streams a timed test used, made after its timed interval:
// a failed open, write, flush, read or close is reported on standard error
// so that nobody takes the test's figure for a real one. The report lines
// themselves stay as they are.
#ifndef DRIVES_TESTS_STREAM_CHECKS_H_
#define DRIVES_TESTS_STREAM_CHECKS_H_

#include <fstream>

// `error` is errno as the timed interval left it; `thread` is the thread
// number in a parallel phase, or kNoThread.
void CheckWriter(const std::ofstream& writer, const char* test, int thread,
                 const char* fileName, int error);
// An unopened reader has already said "Unable to open file"; the end of the
// file is no failure, a read error is.
void CheckReader(const std::ifstream& reader, const char* test, int thread,
                 const char* fileName, int error);

// Closes a single-thread writer, which flushes what its buffer still holds,
// and reports a failure.
void CloseWriter(std::ofstream& writer, const char* test, const char* fileName);

#endif  // DRIVES_TESTS_STREAM_CHECKS_H_
