#include "replay.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "conclusions/conclusions.h"
#include "conclusions/disturbance.h"
#include "runs/run_folder.h"

namespace {

constexpr char kHeader[] =
    "sweep,run,threads,wall_s,other_cpu_s,steal_s,probe_before_memory_s,"
    "probe_before_disk_s,probe_after_memory_s,probe_after_disk_s";

std::string Text(const std::optional<double>& value) {
  if (!value) return "";
  std::ostringstream text;
  text.precision(17);
  text << *value;
  return text.str();
}

std::optional<double> Number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  return std::stod(text);
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, ',')) fields.push_back(field);
  if (!line.empty() && line.back() == ',') fields.emplace_back();
  return fields;
}

// The runs of one sweep at each thread count.
std::map<int, std::vector<const RealRun*>> ByThreads(
    const std::vector<RealRun>& runs, const std::string& sweep) {
  std::map<int, std::vector<const RealRun*>> by;
  for (const RealRun& run : runs) {
    if (run.sweep == sweep) by[run.threads].push_back(&run);
  }
  return by;
}

}  // namespace

bool ExtractSweeps(const std::vector<std::string>& folders, std::ostream& out,
                   std::string& error) {
  out << kHeader;
  for (std::size_t f = 0; f < kFigureRowCount - 1; ++f) {
    out << ',' << RowOfFigure(f).Key();
  }
  out << '\n';
  for (const std::string& path : folders) {
    RunFolder folder;
    std::string text;
    InputError readError;
    if (!ReadRunFolder(path, text, folder, readError)) {
      error = path + ": " + readError.message;
      return false;
    }
    const std::string name = std::filesystem::path(path).filename().string();
    std::map<int, const RunEntry*> entries;
    for (const RunEntry& entry : folder.manifest.runs) {
      entries[entry.index] = &entry;
    }
    for (std::size_t r = 0; r < folder.records.size(); ++r) {
      const RunEntry& e = *entries.at(folder.marks[r].number);
      const auto probe = [](const std::optional<ProbeTimes>& p, bool memory) {
        return p ? std::optional<double>(memory ? p->memorySeconds
                                                : p->diskSeconds)
                 : std::nullopt;
      };
      out << name << ',' << e.index << ','
          << (e.threads ? std::to_string(*e.threads) : "") << ','
          << Text(e.wallSeconds) << ',' << Text(e.otherCpuSeconds) << ','
          << Text(e.stealSeconds) << ',' << Text(probe(e.probeBefore, true))
          << ',' << Text(probe(e.probeBefore, false)) << ','
          << Text(probe(e.probeAfter, true)) << ','
          << Text(probe(e.probeAfter, false));
      for (std::size_t f = 0; f < kFigureRowCount - 1; ++f) {
        out << ',' << Text(RowOfFigure(f).Value(folder.records[r]));
      }
      out << '\n';
    }
  }
  return true;
}

std::optional<std::vector<RealRun>> LoadSweeps(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  std::vector<RealRun> runs;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = Fields(line);
    if (f.size() != 10 + kFigureRowCount - 1) return std::nullopt;
    RealRun run;
    run.sweep = f[0];
    run.entry.index = std::stoi(f[1]);
    run.threads = f[2].empty() ? 0 : std::stoi(f[2]);
    run.entry.wallSeconds = Number(f[3]).value_or(0);
    run.entry.otherCpuSeconds = Number(f[4]);
    run.entry.stealSeconds = Number(f[5]);
    if (f[6].size() && f[7].size()) {
      run.entry.probeBefore = ProbeTimes{*Number(f[6]), *Number(f[7])};
    }
    if (f[8].size() && f[9].size()) {
      run.entry.probeAfter = ProbeTimes{*Number(f[8]), *Number(f[9])};
    }
    for (std::size_t i = 10; i < f.size(); ++i) {
      run.figures.push_back(Number(f[i]).value_or(std::nan("")));
    }
    runs.push_back(std::move(run));
  }
  return runs;
}

std::vector<RealRun> Undisturbed(const std::vector<RealRun>& runs) {
  std::vector<RealRun> kept;
  for (const std::string& name : SweepNames(runs)) {
    std::vector<const RealRun*> sweep;
    std::vector<RunEntry> entries;
    for (const RealRun& run : runs) {
      if (run.sweep != name) continue;
      sweep.push_back(&run);
      entries.push_back(run.entry);
    }
    const Disturbance d = JudgeDisturbance(entries);
    for (std::size_t r = 0; r < sweep.size(); ++r) {
      if (d.marked[r]) continue;
      kept.push_back(*sweep[r]);
      kept.back().sweep = name + ", undisturbed";
    }
  }
  return kept;
}

std::vector<std::string> SweepNames(const std::vector<RealRun>& runs) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const RealRun& run : runs) {
    if (seen.insert(run.sweep).second) names.push_back(run.sweep);
  }
  return names;
}

std::vector<RunValues> Replay(const std::vector<RealRun>& runs,
                              const std::string& sweep, std::size_t n,
                              Random& random) {
  const auto by = ByThreads(runs, sweep);
  std::vector<RunValues> columns;
  const std::size_t counts = by.size();
  std::size_t c = 0;
  for (const auto& [threads, pool] : by) {
    RunValues column;
    column.figures.assign(kFigureRowCount - 1, {});
    for (std::size_t r = 0; r < n; ++r) {
      const RealRun& drawn = *pool[random.Below(pool.size())];
      column.runs.push_back(static_cast<int>(r * counts + c + 1));
      for (std::size_t f = 0; f < drawn.figures.size(); ++f) {
        column.figures[f].push_back(drawn.figures[f]);
      }
    }
    columns.push_back(std::move(column));
    ++c;
  }
  return columns;
}

std::optional<std::vector<RunValues>> ReplayInOrder(
    const std::vector<RealRun>& runs, const std::string& sweep, std::size_t n,
    std::size_t start) {
  auto by = ByThreads(runs, sweep);
  std::vector<RunValues> columns;
  for (auto& [threads, pool] : by) {
    std::sort(pool.begin(), pool.end(), [](const RealRun* a, const RealRun* b) {
      return a->entry.index < b->entry.index;
    });
    if (start + n > pool.size()) return std::nullopt;
    RunValues column;
    column.figures.assign(kFigureRowCount - 1, {});
    for (std::size_t r = start; r < start + n; ++r) {
      column.runs.push_back(pool[r]->entry.index);
      for (std::size_t f = 0; f < pool[r]->figures.size(); ++f) {
        column.figures[f].push_back(pool[r]->figures[f]);
      }
    }
    columns.push_back(std::move(column));
  }
  return columns;
}

namespace {

bool IsBulkWrite(std::size_t figure) {
  return RowOfFigure(figure).figure == Figure::kBulkWrite;
}

}  // namespace

std::vector<RunValues> BulkWriteOnly(std::vector<RunValues> input) {
  for (RunValues& column : input) {
    for (std::size_t f = 0; f < column.figures.size(); ++f) {
      if (!IsBulkWrite(f)) column.figures[f].assign(column.runs.size(), NAN);
    }
  }
  return input;
}

std::vector<RunValues> WithoutBulkWrite(std::vector<RunValues> input) {
  for (RunValues& column : input) {
    std::vector<std::vector<double>> kept;
    for (std::size_t f = 0; f < column.figures.size(); ++f) {
      if (!IsBulkWrite(f)) kept.push_back(column.figures[f]);
    }
    column.figures = std::move(kept);
  }
  return input;
}

std::vector<RunEntry> ReplayEntries(const std::vector<RealRun>& runs,
                                    const std::string& sweep, std::size_t n,
                                    Random& random) {
  std::vector<const RealRun*> pool;
  for (const RealRun& run : runs) {
    if (run.sweep == sweep) pool.push_back(&run);
  }
  std::vector<RunEntry> entries;
  for (std::size_t r = 0; r < n; ++r) {
    RunEntry entry = pool[random.Below(pool.size())]->entry;
    entry.index = static_cast<int>(r + 1);
    entries.push_back(entry);
  }
  return entries;
}
