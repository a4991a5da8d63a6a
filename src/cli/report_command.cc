#include "cli/report_command.h"

#include <iostream>
#include <map>
#include <utility>

#include "cli/figure_warnings.h"
#include "cli/labels.h"
#include "cli/output.h"
#include "comparison/columns.h"
#include "comparison/comparison.h"
#include "conclusions/conclusions.h"
#include "conclusions/disturbance.h"
#include "messages/messages.h"
#include "reporters/reporter.h"
#include "results/figures.h"
#include "results/input_text.h"
#include "results/results_reader.h"
#include "runs/input_loader.h"
#include "runs/run_folder.h"

namespace {

std::string StopText(const Stop& stop) {
  const std::string where = std::string(" in ") + SectionTitle(stop.section);
  const std::string consequence = "; the figures from there on are missing";
  if (stop.lineCutOff) {
    return "ends early: line " + std::to_string(stop.line) +
           " is cut off (no line end)," + where + consequence;
  }
  return "ends early, after line " + std::to_string(stop.line - 1) + "," +
         where + consequence;
}

// "Unable to open file" 3 times (the parallel bulk phase: 2, ...)
std::string UnableText(const RunRecord& record) {
  int total = 0;
  std::string phases;
  for (int s = 0; s < kSectionCount; ++s) {
    const int count = record.unableToOpen[s];
    if (count == 0) continue;
    total += count;
    phases += (phases.empty() ? "" : ", ") +
              std::string(SectionTitle(static_cast<Section>(s))) + ": " +
              std::to_string(count);
  }
  if (total == 0) return "";
  return "the benchmark printed \"Unable to open file\" " +
         std::to_string(total) + (total == 1 ? " time" : " times") + " (" +
         phases + "); those reads' figures are not real";
}

// Says on standard error what is doubtful about a record: its findings and
// where it ends early (errors under --strict), and the failures the
// benchmark itself reported. Returns whether it has findings or ends early.
bool SayDoubts(const RunRecord& record, bool strict) {
  const auto say = strict ? PrintError : PrintWarning;
  for (const Finding& f : record.findings) {
    say(Where(record.source, f.line) + f.check + ": expected " + f.expected +
        ", found " + f.found);
  }
  if (record.stop) say(Where(record.source, 0) + StopText(*record.stop));
  for (const std::string& warning : record.benchmarkWarnings) {
    PrintWarning(Where(record.source, 0) + "the benchmark warned: " + warning);
  }
  const std::string unable = UnableText(record);
  if (!unable.empty()) PrintWarning(Where(record.source, 0) + unable);
  return !record.findings.empty() || record.stop.has_value();
}

// An input left with fewer runs than this at a thread count keeps them
// all: --exclude-disturbed never empties an input silently.
constexpr std::size_t kFewestRunsLeft = 3;

// Leaves out the runs marked disturbed, and says how many; keeps them all,
// and says why, where that would leave a thread count with too few runs (a
// machine busy throughout does).
void ExcludeDisturbed(ReportInput& input) {
  // Of each thread count: its runs, and those marked.
  std::map<std::optional<int>, std::pair<std::size_t, std::size_t>> counts;
  std::size_t marked = 0;
  for (std::size_t r = 0; r < input.runs.size(); ++r) {
    std::pair<std::size_t, std::size_t>& count =
        counts[input.runs[r].threadCount];
    ++count.first;
    if (input.marks[r].disturbed) {
      ++count.second;
      ++marked;
    }
  }
  if (marked == 0) return;
  for (const auto& [threads, count] : counts) {
    const std::size_t all = count.first;
    const std::size_t disturbed = count.second;
    if (all - disturbed >= std::min(all, kFewestRunsLeft)) continue;
    PrintNote(input.source + ": " + std::to_string(disturbed) + " of " +
              std::to_string(all) + " runs at " +
              (threads ? ThreadsText(*threads) : "default threads") +
              " are disturbed; all " + std::to_string(input.runs.size()) +
              " runs kept, as leaving them out would leave too few");
    return;
  }
  ReportInput kept{input.source, input.label,    {},          {},
                   {},           input.manifest, input.sweep, input.role};
  for (std::size_t r = 0; r < input.runs.size(); ++r) {
    if (input.marks[r].disturbed) continue;
    kept.runs.push_back(std::move(input.runs[r]));
    kept.marks.push_back(input.marks[r]);
    kept.clients.push_back(std::move(input.clients[r]));
  }
  PrintNote(input.source + ": " + std::to_string(marked) + " disturbed " +
            (marked == 1 ? "run" : "runs") + " left out");
  input = std::move(kept);
}

// Reads one input, a file or a run folder, into `input`; on failure says
// why. Records with findings are left out under --strict.
bool ReadInput(const std::string& source, bool strict, InputLoader& loader,
               ReportInput& input, InputError& error, bool& doubtful) {
  LoadedInput loaded;
  if (!loader.Load(source, loaded, error)) {
    PrintError(Where(source, error.line) + error.message);
    return false;
  }
  for (const std::string& leftOut : loaded.runs.leftOut) {
    PrintWarning(Where(source, 0) + leftOut + "; left out");
  }
  if (loaded.folder) {
    input.manifest =
        std::make_shared<const Manifest>(std::move(loaded.runs.manifest));
  }
  std::vector<RunRecord>& records = loaded.runs.records;
  std::vector<RunMark>& marks = loaded.runs.marks;
  std::vector<std::vector<ClientDetail>>& clients = loaded.runs.clients;
  for (std::size_t r = 0; r < records.size(); ++r) {
    bool doubts = SayDoubts(records[r], strict);
    for (const ClientDetail& client : clients[r]) {
      doubts = SayDoubts(client.record, strict) || doubts;
    }
    doubtful = doubtful || doubts;
    if (doubts && strict) continue;
    input.runs.push_back(std::move(records[r]));
    input.marks.push_back(marks[r]);
    input.clients.push_back(std::move(clients[r]));
  }
  return true;
}

bool WriteReport(const Comparison& comparison, const Conclusions& conclusions,
                 const ReportOptions& options) {
  const std::unique_ptr<Reporter> reporter = MakeReporter(options.format);
  return WriteOutput(options.output, [&](std::ostream& out) {
    reporter->Write(comparison, conclusions, out);
  });
}

}  // namespace

namespace {

// One input to read: a file, a run folder, or one directory of a sweep
// that ran in several.
struct Source {
  std::string path;
  std::string label;
  std::string sweep;
  std::string role;
};

// The inputs as given, with a sweep of several directories read as one
// input per directory, labelled by its directory ("ssd", "memory
// control"; "run-a: ssd" beside other inputs).
std::vector<Source> Sources(const ReportOptions& options) {
  std::vector<std::string> labels = ShortLabels(options.inputs);
  for (std::size_t i = 0; i < options.labels.size(); ++i) {
    labels[i] = options.labels[i];
  }
  std::vector<Source> sources;
  for (std::size_t i = 0; i < options.inputs.size(); ++i) {
    const std::vector<SweepDirectory> directories =
        SweepDirectoriesOf(options.inputs[i]);
    if (directories.empty()) {
      sources.push_back({options.inputs[i], labels[i], "", ""});
      continue;
    }
    for (const SweepDirectory& d : directories) {
      sources.push_back(
          {d.folder,
           options.inputs.size() == 1 ? d.label : labels[i] + ": " + d.label,
           options.inputs[i],
           d.role == kControlDirectoryRole ? d.role : std::string()});
    }
  }
  return sources;
}

}  // namespace

int RunReport(const ReportOptions& options) {
  InputLoader loader(MarkDisturbed, false, false);
  return RunReport(options, loader);
}

int RunReport(const ReportOptions& options, InputLoader& loader) {
  const std::vector<Source> sources = Sources(options);
  const std::size_t baseline = options.baseline.value_or(1) - 1;
  if (baseline >= sources.size()) {
    // (A sweep of several directories is an input for each.)
    PrintError("--baseline " + std::to_string(baseline + 1) +
               ": there are only " + std::to_string(sources.size()) +
               " inputs");
    return kUnreadable;
  }
  Comparison comparison;
  comparison.madeAt = ReportTime();
  comparison.minEffect = options.minEffect;
  comparison.details = options.details;
  bool unreadable = false;
  bool strictFailed = false;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const std::string& source = sources[i].path;
    ReportInput input{source,           sources[i].label, {}, {}, {}, {},
                      sources[i].sweep, sources[i].role};
    InputError error;
    bool doubtful = false;
    if (!ReadInput(source, options.strict, loader, input, error, doubtful)) {
      comparison.failures.push_back({source, error});
      unreadable = true;
      continue;
    }
    strictFailed = strictFailed || (doubtful && options.strict);
    if (options.excludeDisturbed) ExcludeDisturbed(input);
    if (input.runs.empty()) continue;
    if (i == baseline) comparison.baseline = comparison.inputs.size();
    comparison.inputs.push_back(std::move(input));
  }
  if (comparison.inputs.size() < 2) {
    comparison.baseline.reset();
  } else if (!comparison.baseline) {
    PrintWarning("the baseline, " +
                 (baseline < sources.size() ? sources[baseline].path : "") +
                 ", is not reported; the ratios to it are left out");
  }
  const std::vector<Column> columns = ComparisonColumns(comparison);
  const Conclusions conclusions = Conclusions::Draw(comparison, columns);
  const bool compared = SayFigureDoubts(comparison, columns, conclusions);
  if (!WriteReport(comparison, conclusions, options)) return kUnreadable;
  if (unreadable || !compared) return kUnreadable;
  return strictFailed ? kStrictFailed : kAllRead;
}
