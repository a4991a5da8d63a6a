// Warnings on standard error: failures that the report lines cannot express.
// Each is one plain line: the program, what failed, the system's reason and
// what follows for the results.
#ifndef DRIVES_DRIVER_WARNINGS_H_
#define DRIVES_DRIVER_WARNINGS_H_

#include <cstddef>
#include <string>

// Writes "<program>: warning: <what> (<reason>)<consequence>"; the reason is
// left out when `error` (an errno value) is 0.
void Warn(const std::string& what, int error, const char* consequence);

// A test's stream failed to `action` ("write", "read", "close") `fileName`.
// `thread` is the thread number in a parallel phase, or kNoThread.
constexpr int kNoThread = -1;
void WarnStreamFailure(const char* test, int thread, const char* action,
                       const char* fileName, int error);

// No buffer of `size` bytes could be had to read `fileName` in one request.
void WarnNoBulkBuffer(const char* fileName, std::size_t size);

#endif  // DRIVES_DRIVER_WARNINGS_H_
