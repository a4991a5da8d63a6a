#include "results/client_sum.h"

#include <algorithm>

RunRecord SumOfClients(const std::vector<RunRecord>& clients,
                       const std::string& source) {
  RunRecord sum;
  const RunRecord& first = clients.front();
  sum.source = source;
  sum.kind = first.kind;
  sum.tag = first.tag;
  sum.threadCount = first.threadCount;
  sum.clients = static_cast<int>(clients.size());
  for (const Figure f : kFigures) {
    const int i = static_cast<int>(f);
    Measurement single;
    double total = 0;
    bool everySingle = true;
    bool everyTotal = true;
    for (const RunRecord& c : clients) {
      if (const auto& m = c.Single(f)) {
        single.rate += m->rate;
        single.elapsed = std::max(single.elapsed, m->elapsed);
      } else {
        everySingle = false;
      }
      if (c.Team(f).total) {
        total += *c.Team(f).total;
      } else {
        everyTotal = false;
      }
    }
    if (everySingle) sum.single[i] = single;
    if (everyTotal) sum.team[i].total = total;
    if (everySingle && everyTotal && single.rate > 0) {
      sum.team[i].improvement = total / single.rate;
    }
  }
  for (const RunRecord& c : clients) {
    if (!sum.stop && c.stop) sum.stop = c.stop;
  }
  return sum;
}
