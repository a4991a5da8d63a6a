#include "tests/stream_checks.h"

#include <cerrno>

#include "driver/warnings.h"

void CheckWriter(const std::ofstream& writer, const char* test, int thread,
                 const char* fileName, int error) {
  if (!writer.is_open()) {
    WarnStreamFailure(test, thread, "open", fileName, error);
  } else if (writer.fail()) {
    WarnStreamFailure(test, thread, "write", fileName, error);
  }
}

void CheckReader(const std::ifstream& reader, const char* test, int thread,
                 const char* fileName, int error) {
  if (reader.is_open() && reader.bad()) {
    WarnStreamFailure(test, thread, "read", fileName, error);
  }
}

void CloseWriter(std::ofstream& writer, const char* test,
                 const char* fileName) {
  const bool wasOpen = writer.is_open();
  writer.clear();  // only this close's own failure counts here
  errno = 0;
  writer.close();
  if (wasOpen && writer.fail()) {
    WarnStreamFailure(test, kNoThread, "close", fileName, errno);
  }
}
