// Reference figures for the benchmark's single-thread tests: the very same
// standard-library calls in plain loops, with no report, tables or helpers,
// followed by the same work done with raw system calls. Run in the directory
// to measure; prints "name rate" lines (rates in operations per second).
//
// POSIX only: the raw-system-call loops use open/read/write/close.
#include <fcntl.h>
#include <omp.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <ios>
#include <memory>
#include <new>

namespace {

constexpr int kCycles = 131092;
constexpr int kFirstPass = 1 << 25;
constexpr int kSecondOffset = 1 << 24;
constexpr int kSecondPass = 1 << 24;
constexpr double kPassAccesses = kFirstPass + kSecondPass;
constexpr double kTransfer = 1 << 25;
constexpr char kFile[] = "data64.tmp";
constexpr char kCopy[] = "data64";
constexpr auto kOut = std::ios::out | std::ios::trunc | std::ios::binary;
constexpr auto kIn = std::ios::in | std::ios::binary;

std::ofstream cycleWriter, byteWriter, bulkWriter;
std::ifstream cycleReader, mainReader;

void Report(const char* name, double count, double start, double end) {
  std::printf("%s %.6g\n", name, count / (end - start));
}

}  // namespace

int main() {
  double start = omp_get_wtime();
  for (int i = 0; i < kCycles; ++i) {
    cycleWriter.open(kFile, kOut);
    cycleReader.open(kFile, kIn);
    cycleReader.close();
    cycleWriter.close();
  }
  Report("files", kCycles, start, omp_get_wtime());

  start = omp_get_wtime();
  byteWriter.open(kFile, kOut);
  for (int i = 0; i < kFirstPass; ++i) byteWriter.put(' ');
  byteWriter.seekp(0);
  byteWriter.seekp(kSecondOffset);
  for (int i = 0; i < kSecondPass; ++i) byteWriter.put(' ');
  Report("byte_write", kPassAccesses, start, omp_get_wtime());

  char sink;
  start = omp_get_wtime();
  mainReader.open(kFile, kIn);
  mainReader.seekg(0);
  while (mainReader.good()) mainReader.get(sink);
  mainReader.clear();
  mainReader.seekg(0);
  mainReader.seekg(kSecondOffset);
  for (int i = 0; i < kSecondPass; ++i) mainReader.get(sink);
  Report("byte_read", kPassAccesses, start, omp_get_wtime());
  mainReader.close();

  start = omp_get_wtime();
  mainReader.open(kFile, kIn);
  mainReader.seekg(0, std::ios::end);
  std::streamoff count = mainReader.tellg();
  mainReader.seekg(0);
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[count]);
  mainReader.read(buffer.get(), count);
  Report("bulk_read", kTransfer, start, omp_get_wtime());

  start = omp_get_wtime();
  bulkWriter.open(kCopy, kOut);
  bulkWriter.write(buffer.get(), count);
  Report("bulk_write", kTransfer, start, omp_get_wtime());
  mainReader.close();
  bulkWriter.close();
  byteWriter.close();

  // The system's own limit for the same work.
  start = omp_get_wtime();
  for (int i = 0; i < kCycles; ++i) {
    const int writer = open(kFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int reader = open(kFile, O_RDONLY);
    close(reader);
    close(writer);
  }
  Report("raw_files", kCycles, start, omp_get_wtime());
  const int out = open(kFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (write(out, buffer.get(), count) != count) std::perror("raw write");
  close(out);
  start = omp_get_wtime();
  const int in = open(kFile, O_RDONLY);
  if (read(in, buffer.get(), count) != count) std::perror("raw read");
  Report("raw_bulk_read", kTransfer, start, omp_get_wtime());
  close(in);
  start = omp_get_wtime();
  const int copy = open(kCopy, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (write(copy, buffer.get(), count) != count) std::perror("raw write");
  Report("raw_bulk_write", kTransfer, start, omp_get_wtime());
  close(copy);
  return 0;
}
