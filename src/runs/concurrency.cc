#include "runs/concurrency.h"

#include <algorithm>
#include <limits>

namespace {

struct Window {
  double begin = 0;
  double end = 0;
};

// The time the section's first line appeared, to the time the next
// section's did (or the last line).
std::optional<Window> PhaseWindow(const ClientResult& result,
                                  const RunRecord& console, int section) {
  const int first = console.sectionLines[section];
  const int next =
      section + 1 < kSectionCount ? console.sectionLines[section + 1] : 0;
  const std::size_t lines = result.lineTimes.size();
  if (first <= 0 || static_cast<std::size_t>(first) > lines) {
    return std::nullopt;
  }
  const std::size_t last = next > 0 && static_cast<std::size_t>(next) <= lines
                               ? static_cast<std::size_t>(next)
                               : lines;
  return Window{result.start + result.lineTimes[first - 1],
                result.start + result.lineTimes[last - 1]};
}

}  // namespace

Section PhaseOf(Figure figure, bool parallel) {
  const Section single =
      figure == Figure::kFiles ? Section::kFiles
      : figure == Figure::kByteWrite || figure == Figure::kByteRead
          ? Section::kByteWise
          : Section::kBulk;
  if (!parallel) return single;
  return static_cast<Section>(static_cast<int>(single) +
                              static_cast<int>(Section::kParallelFiles) -
                              static_cast<int>(Section::kFiles));
}

Concurrency MeasureConcurrency(const std::vector<ClientResult>& results,
                               const std::vector<RunRecord>& consoles) {
  Concurrency c;
  if (results.empty()) return c;
  double earliest = std::numeric_limits<double>::infinity();
  double latest = -earliest;
  for (const ClientResult& r : results) {
    earliest = std::min(earliest, r.start);
    latest = std::max(latest, r.start);
  }
  c.startSkew = latest - earliest;
  for (int s = static_cast<int>(Section::kFiles);
       s <= static_cast<int>(Section::kParallelBulk); ++s) {
    double allIn = std::numeric_limits<double>::infinity();  // earliest end
    double allOut = -allIn;                                  // latest start
    double anyIn = allIn;
    double anyOut = -allIn;
    bool every = true;
    for (std::size_t i = 0; i < results.size() && i < consoles.size(); ++i) {
      const std::optional<Window> w = PhaseWindow(results[i], consoles[i], s);
      if (!w) {
        every = false;
        break;
      }
      allIn = std::min(allIn, w->end);
      allOut = std::max(allOut, w->begin);
      anyIn = std::min(anyIn, w->begin);
      anyOut = std::max(anyOut, w->end);
    }
    if (!every || consoles.size() < results.size()) continue;
    const double span = anyOut - anyIn;
    c.overlap[s] = span > 0 ? std::max(0.0, allIn - allOut) / span : 1.0;
  }
  return c;
}
