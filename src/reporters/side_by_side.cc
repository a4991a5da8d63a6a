#include "reporters/side_by_side.h"

#include <cstdio>
#include <map>
#include <optional>
#include <utility>

#include "reporters/client_figures.h"
#include "reporters/conclusion_text.h"
#include "reporters/figure_comparisons.h"
#include "reporters/readable_number.h"
#include "results/figures.h"
#include "statistics/median_interval.h"

namespace {

constexpr char kPlusMinusNote[] =
    "\u00b1: half the width of the median's confidence interval, over the "
    "median; the Confidence row says how often such an interval holds the "
    "true median: 95% or more from 6 runs on, below 6 runs (the range of "
    "the runs) less";
constexpr char kConcurrencyNote[] =
    "\u2020 not a concurrent figure: the clients were all in its phase under "
    "half its time (Overlap rows); the sum adds runs that did not share the "
    "file system at once";
constexpr char kClustersNote[] =
    "A (x%) or B: the runs fall into two groups; each group's median, and "
    "the share of the runs in the lower one";

std::string Value(const FigureRow& row, double value) {
  // Counts are whole numbers.
  if (!row.Compares()) return std::to_string(static_cast<int>(value));
  return ReadableNumber(value);
}

std::string Percent(double fraction, int decimals = 1) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f%%", decimals, fraction * 100);
  return text;
}

// "±3%", "±0.4%".
std::string PlusMinus(double precision) {
  return "\u00b1" + Percent(precision, precision * 100 < 0.95 ? 1 : 0);
}

// A figure over a column's runs: "512 ±3%", its only value, or its two
// clusters where they are claimed.
std::string FigureCell(const FigureRow& row, const FigureStatistics& s,
                       const TwoClusters* clusters) {
  if (s.summary.runs == 0) return kMissingCell;
  if (clusters) {
    return Value(row, clusters->low.median) + " (" +
           Percent(clusters->low.share, 0) + ") or " +
           Value(row, clusters->high.median);
  }
  std::string cell = Value(row, s.summary.median);
  if (s.precision) cell += " " + PlusMinus(*s.precision);
  return cell;
}

// "97.9%", "75% (range)".
std::string ConfidenceCell(int runs) {
  if (runs < 2) return "";
  const double coverage = OrderCoverage(runs, OrderRank(runs));
  std::string cell = Percent(coverage);
  return coverage < kConfidence ? cell + " (range)" : cell;
}

// The first cell of a table of every column.
constexpr char kFigureHeading[] = "Figure";

std::string RunList(const std::vector<int>& numbers) {
  std::string list;
  for (const int n : numbers) {
    list += (list.empty() ? "" : ", ") + std::to_string(n);
  }
  return list;
}

// One table of the side-by-side report: the figures over some of the
// columns (all of them, or one thread count's), with the notes under it
// where asked.
class Builder {
 public:
  Builder(const Comparison& comparison, const Conclusions& conclusions,
          const std::vector<Column>& columns)
      : comparison_(comparison),
        conclusions_(conclusions),
        columns_(columns),
        statistics_(HasRepeatedRuns(columns_)),
        clients_(HasClients(columns_)) {}

  // The table of the columns `shown`, headed `heading` ("Figure", or the
  // thread count they share); with the notes under it when `notes`.
  TextTable Build(const std::vector<std::size_t>& shown,
                  const std::string& heading, bool notes) {
    shown_ = shown;
    concurrency_.clear();
    for (const std::size_t c : shown_) {
      concurrency_.push_back(ColumnConcurrency(columns_[c]));
    }
    table_ = TextTable();
    Header(heading);
    for (const FigureRow& row : ComparedFigures()) {
      if (!row.Compares()) {
        // The columns or the heading say the thread count.
        if (!statistics_ && heading == kFigureHeading) ValueRow(row);
        ConcurrencyRows();
        continue;
      }
      FigureRows(row);
    }
    if (notes) Notes();
    return std::move(table_);
  }

 private:
  void Header(const std::string& heading) {
    table_.header.push_back(heading);
    for (const std::size_t c : shown_) {
      table_.header.push_back(
          heading == kFigureHeading
              ? columns_[c].label
              : comparison_.inputs[columns_[c].input].label);
    }
    if (!statistics_) return;
    std::vector<std::string> runs = {"Runs"};
    std::vector<std::string> confidence = {"Confidence"};
    for (const std::size_t c : shown_) {
      runs.push_back(std::to_string(columns_[c].runs.size()));
      confidence.push_back(
          ConfidenceCell(static_cast<int>(columns_[c].runs.size())));
    }
    table_.rows.push_back(std::move(runs));
    table_.rows.push_back(std::move(confidence));
  }

  // Whether the clients ran together: their start skew, and how long they
  // were all in each phase.
  void ConcurrencyRows() {
    if (!clients_) return;
    std::vector<std::string> skew = {"Start skew (ms)"};
    for (const auto& runs : concurrency_) {
      const std::optional<double> s = MedianSkew(runs);
      skew.push_back(s ? ReadableNumber(*s * 1000) : "");
    }
    table_.rows.push_back(std::move(skew));
    for (int p = static_cast<int>(Section::kFiles);
         p <= static_cast<int>(Section::kParallelBulk); ++p) {
      const Section phase = static_cast<Section>(p);
      std::vector<std::string> cells = {std::string("Overlap, ") +
                                        SectionTitle(phase)};
      for (const auto& runs : concurrency_) {
        const std::optional<double> o = MedianOverlap(runs, phase);
        cells.push_back(o ? Percent(*o, 0) : "");
      }
      table_.rows.push_back(std::move(cells));
    }
  }

  void ValueRow(const FigureRow& row) {
    std::vector<std::string> cells = {row.Label()};
    for (const std::size_t c : shown_) {
      const Summary s = columns_[c].Of(row);
      cells.push_back(s.runs > 0 ? Value(row, s.median) : kMissingCell);
    }
    table_.rows.push_back(std::move(cells));
  }

  void FigureRows(const FigureRow& row) {
    std::vector<FigureStatistics> described;
    std::vector<std::string> cells = {row.Label()};
    for (std::size_t i = 0; i < shown_.size(); ++i) {
      const std::size_t c = shown_[i];
      described.push_back(conclusions_.Describe(columns_[c], row));
      const TwoClusters* clusters = conclusions_.Clusters(c, row);
      std::string cell = FigureCell(row, described.back(), clusters);
      const std::optional<double> overlap =
          MedianOverlap(concurrency_[i], PhaseOfRow(row));
      if (overlap && *overlap < kConcurrentOverlap) {
        cell += " \u2020";
        notConcurrent_ = true;
      }
      cells.push_back(cell);
      clusters_ = clusters_ || clusters != nullptr;
    }
    table_.rows.push_back(std::move(cells));
    if (clients_) PerClientRow(row);
    if (comparison_.details && statistics_) DetailRows(row, described);
    VerdictRow(row);
    MeasuredRow(row);
  }

  // What each column's figure measured, where a ceiling or a memory control
  // can tell; with --details, why.
  void MeasuredRow(const FigureRow& row) {
    std::vector<std::string> cells = {"  measured"};
    bool any = false;
    for (const std::size_t c : shown_) {
      const FigureMeasured* m = conclusions_.Measure(c, row);
      if (!m || (m->measured == Measured::kUnknown && !comparison_.details)) {
        cells.emplace_back();
        continue;
      }
      std::string cell = MeasuredKey(m->measured);
      if (comparison_.details && !m->why.empty()) cell += ": " + m->why;
      cells.push_back(cell);
      any = any || m->measured != Measured::kUnknown;
    }
    if (any) {
      table_.rows.push_back(std::move(cells));
      measured_ = true;
    }
  }

  // Every statistic of the figure, one row each; the runs claimed far off
  // the others; and each verdict in full.
  void DetailRows(const FigureRow& row,
                  const std::vector<FigureStatistics>& described) {
    using Cell = std::string (*)(const FigureRow&, const FigureStatistics&);
    static const std::pair<const char*, Cell> kDetails[] = {
        {"  runs",
         [](const FigureRow&, const FigureStatistics& s) {
           return std::to_string(s.summary.runs);
         }},
        {"  interval",
         [](const FigureRow& r, const FigureStatistics& s) {
           if (!s.interval) return std::string();
           return Value(r, s.interval->low) + " to " +
                  Value(r, s.interval->high);
         }},
        {"  min",
         [](const FigureRow& r, const FigureStatistics& s) {
           return Value(r, s.summary.min);
         }},
        {"  max",
         [](const FigureRow& r, const FigureStatistics& s) {
           return Value(r, s.summary.max);
         }},
        {"  mean",
         [](const FigureRow& r, const FigureStatistics& s) {
           return Value(r, s.summary.mean);
         }},
        {"  sd",
         [](const FigureRow& r, const FigureStatistics& s) {
           return Value(r, s.summary.sd);
         }},
        {"  cv",
         [](const FigureRow&, const FigureStatistics& s) {
           return Percent(s.summary.cv);
         }},
    };
    for (const auto& [name, cell] : kDetails) {
      std::vector<std::string> cells = {name};
      for (const FigureStatistics& s : described) {
        cells.push_back(s.summary.runs == 0 ? kMissingCell : cell(row, s));
      }
      table_.rows.push_back(std::move(cells));
    }
    std::vector<std::string> outliers = {"  outliers"};
    for (const std::size_t c : shown_) {
      const std::vector<int> runs = conclusions_.Outliers(c, row);
      outliers.push_back(runs.empty() ? "" : "run " + RunList(runs));
    }
    table_.rows.push_back(std::move(outliers));
  }

  // Each client's value: min, median and max over every client's run.
  void PerClientRow(const FigureRow& row) {
    std::vector<std::string> cells = {"  per client, min / median / max"};
    for (const std::size_t c : shown_) {
      const Summary s = Summarize(PerClientValues(columns_[c], row));
      cells.push_back(s.runs == 0
                          ? ""
                          : Value(row, s.min) + " / " + Value(row, s.median) +
                                " / " + Value(row, s.max));
    }
    table_.rows.push_back(std::move(cells));
  }

  // Under each compared input, its verdict against the baseline; with
  // --details, the whole sentence.
  static constexpr char kMeasuredNote[] =
      "measured: what a figure measured, told from the drive's own ceiling "
      "(direct I/O, synchronous files) and the memory control run beside "
      "it: drive (slower than memory, within the drive's ceiling), "
      "file-system (slower than memory, far above the drive: the file "
      "system's work in memory), cache (no slower than memory, or above the "
      "drive's ceiling); --details says why";

  void VerdictRow(const FigureRow& row) {
    if (!comparison_.baseline) return;
    std::vector<std::string> cells = {
        "  vs " + comparison_.inputs[*comparison_.baseline].label};
    bool any = false;
    for (const std::size_t c : shown_) {
      const FigureComparison* found = conclusions_.Compared(c, row);
      if (!found) {
        cells.emplace_back();
        continue;
      }
      cells.push_back(comparison_.details
                          ? VerdictText(*found, comparison_.minEffect)
                          : ShortVerdictText(*found));
      any = true;
    }
    if (any) table_.rows.push_back(std::move(cells));
  }

  void Notes() {
    if (statistics_) table_.notes.push_back(kPlusMinusNote);
    if (clusters_) table_.notes.push_back(kClustersNote);
    if (notConcurrent_) table_.notes.push_back(kConcurrencyNote);
    if (measured_) table_.notes.push_back(kMeasuredNote);
    if (!conclusions_.Comparisons().empty()) VerdictNotes();
    for (std::size_t i = 0; i < comparison_.inputs.size(); ++i) {
      const ReportInput& input = comparison_.inputs[i];
      const InputConclusions& found = conclusions_.Of(i);
      if (found.busyThroughout) {
        table_.notes.push_back(input.label + ": " + BusyText(found));
      } else if (!found.disturbed.empty()) {
        table_.notes.push_back(
            input.label + ": " + std::to_string(found.disturbed.size()) +
            " of " + std::to_string(input.runs.size()) +
            " runs disturbed (run " + RunList(found.disturbed) +
            "): other processes used the machine, or its probes ran "
            "slow; --exclude-disturbed leaves them out");
      }
      if (input.manifest && input.manifest->settle) {
        table_.notes.push_back(input.label +
                               ": run with --settle (written data flushed "
                               "before each run)");
      }
    }
  }

  // What the verdicts' words mean, and each family's level.
  void VerdictNotes() {
    const std::string effect = EffectText(comparison_.minEffect);
    table_.notes.push_back(
        "vs: each input's runs against the baseline's at the same thread "
        "count: the ratio of the two (Hodges-Lehmann) and its interval, "
        "adjusted for the comparisons of that input (Benjamini-Hochberg at "
        "5%, and intervals at the level that agrees with it); faster or "
        "slower: a difference beyond " +
        effect + "; faster* or slower*: a difference that may be under " +
        effect + "; same: within " + effect +
        "; unclear: neither yet; too few runs: no interval at that level. "
        "--details says each in full, with the runs a side that would "
        "settle it");
    std::map<std::size_t, std::pair<int, double>> families;  // by input
    for (const FigureComparison& f : conclusions_.Comparisons()) {
      if (!f.judged.estimate) continue;
      auto& [count, level] = families[columns_[f.column].input];
      ++count;
      level = f.judged.adjustedLevel;
    }
    for (const auto& [input, family] : families) {
      table_.notes.push_back(comparison_.inputs[input].label + ": " +
                             std::to_string(family.first) +
                             " comparisons, intervals at " +
                             Percent(family.second, 2));
    }
  }

  const Comparison& comparison_;
  const Conclusions& conclusions_;
  const std::vector<Column>& columns_;
  const bool statistics_;
  const bool clients_;
  std::vector<std::size_t> shown_;  // the columns of the table being built
  std::vector<std::vector<Concurrency>> concurrency_;  // of each shown
  bool notConcurrent_ = false;
  bool clusters_ = false;
  bool measured_ = false;  // a measured row was shown
  TextTable table_;
};

}  // namespace

std::vector<TextTable> SideBySideTables(const Comparison& comparison,
                                        const Conclusions& conclusions) {
  const std::vector<Column> columns = ComparisonColumns(comparison);
  Builder builder(comparison, conclusions, columns);
  // Inputs compared at several thread counts: a table for each, the inputs
  // side by side, so that the rows fit a terminal.
  std::map<std::pair<std::optional<int>, std::optional<int>>,
           std::vector<std::size_t>>
      cells;
  std::vector<std::size_t> all;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    cells[{columns[c].clients, columns[c].threads}].push_back(c);
    all.push_back(c);
  }
  if (!comparison.baseline || cells.size() < 2) {
    return {builder.Build(all, kFigureHeading, true)};
  }
  std::vector<TextTable> tables;
  tables.reserve(cells.size());
  std::size_t left = cells.size();
  for (const auto& [cell, shown] : cells) {
    tables.push_back(
        builder.Build(shown, CellText(cell.first, cell.second), --left == 0));
  }
  return tables;
}

std::vector<TextTable> ComparisonTables(const Comparison& comparison,
                                        const Conclusions& conclusions) {
  std::vector<TextTable> tables = SideBySideTables(comparison, conclusions);
  TextTable scaling = ClientScalingTable(comparison);
  if (!scaling.header.empty()) tables.push_back(std::move(scaling));
  return tables;
}
