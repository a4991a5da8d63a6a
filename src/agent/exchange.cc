#include "agent/exchange.h"

#include <mpi.h>

#include <chrono>
#include <thread>

namespace {

constexpr int kSizeTag = 1;
constexpr int kTextTag = 2;
// Between tests of a request still open: short beside a benchmark run.
constexpr auto kNap = std::chrono::milliseconds(20);

bool Complete(MPI_Request& request) {
  for (;;) {
    int done = 0;
    if (MPI_Test(&request, &done, MPI_STATUS_IGNORE) != MPI_SUCCESS) {
      return false;
    }
    if (done) return true;
    std::this_thread::sleep_for(kNap);
  }
}

}  // namespace

bool SendText(const std::string& text, int rank) {
  long size = static_cast<long>(text.size());
  MPI_Request request;
  if (MPI_Isend(&size, 1, MPI_LONG, rank, kSizeTag, MPI_COMM_WORLD, &request) !=
          MPI_SUCCESS ||
      !Complete(request)) {
    return false;
  }
  if (size == 0) return true;
  return MPI_Isend(const_cast<char*>(text.data()), static_cast<int>(size),
                   MPI_CHAR, rank, kTextTag, MPI_COMM_WORLD,
                   &request) == MPI_SUCCESS &&
         Complete(request);
}

bool ReceiveText(int rank, std::string& text) {
  long size = 0;
  MPI_Request request;
  if (MPI_Irecv(&size, 1, MPI_LONG, rank, kSizeTag, MPI_COMM_WORLD, &request) !=
          MPI_SUCCESS ||
      !Complete(request) || size < 0) {
    return false;
  }
  text.assign(static_cast<std::size_t>(size), '\0');
  if (size == 0) return true;
  return MPI_Irecv(text.data(), static_cast<int>(size), MPI_CHAR, rank,
                   kTextTag, MPI_COMM_WORLD, &request) == MPI_SUCCESS &&
         Complete(request);
}
