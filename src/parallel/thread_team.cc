#include "parallel/thread_team.h"

#include <omp.h>

#include <algorithm>

void SetUpThreadTeam() {
  // The runtime never reports fewer than one thread; the lower bound only
  // guards against one that does.
  omp_set_num_threads(std::clamp(omp_get_max_threads(), 1, kMaxThreadCount));
}
