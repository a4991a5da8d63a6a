#include "reporters/html_reporter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "comparison/columns.h"
#include "device/drive_ceiling.h"
#include "reporters/check_text.h"
#include "reporters/client_figures.h"
#include "reporters/conclusion_text.h"
#include "reporters/figure_comparisons.h"
#include "reporters/history_tables.h"
#include "reporters/readable_number.h"
#include "reporters/side_by_side.h"
#include "reporters/svg_charts.h"
#include "results/figure_rows.h"
#include "results/figures.h"

namespace {

constexpr char kStyle[] = R"css(
:root { color-scheme: light dark; --fg: #1b1b1b; --bg: #ffffff;
  --muted: #5f5f5f; --grid: #dedede; --axis: #444444; }
@media (prefers-color-scheme: dark) {
  :root { --fg: #e6e6e6; --bg: #161616; --muted: #a8a8a8; --grid: #353535;
    --axis: #bdbdbd; } }
body { font-family: system-ui, sans-serif; color: var(--fg);
  background: var(--bg); max-width: 60em; margin: 1.5em auto; padding: 0 1em; }
h1 { font-size: 1.5em; } h2 { font-size: 1.2em; margin-top: 2em; }
svg.chart { display: block; margin: 1.2em 0; max-width: 100%; height: auto; }
svg text { fill: var(--fg); font-size: 12px; }
svg .chart-title { font-size: 14px; font-weight: 600; }
svg .tick, svg .axis-title, svg .missing { fill: var(--muted); }
svg .missing { font-style: italic; }
.grid { stroke: var(--grid); } .axis { stroke: var(--axis); }
.c0 { --c: #0072b2; } .c1 { --c: #e69f00; } .c2 { --c: #009e73; }
.c3 { --c: #cc79a7; } .c4 { --c: #56b4e9; } .c5 { --c: #d55e00; }
.c6 { --c: #f0e442; }
.bar { fill: var(--c); }
.whisker { stroke: var(--fg); stroke-width: 1.5; }
.range { stroke: var(--muted); stroke-width: 1; stroke-dasharray: 2 2; }
svg .verdict { fill: var(--muted); }
ul.differs li { margin: 0.2em 0; }
.band { fill: var(--c); fill-opacity: 0.2; stroke: none; }
.step { stroke: var(--c); stroke-width: 1.5; stroke-dasharray: 2 3; }
.trend { stroke: var(--c); stroke-width: 2; stroke-dasharray: 8 4; }
.series { stroke: var(--c); fill: none; stroke-width: 2; }
.ideal { stroke: var(--c); fill: none; stroke-width: 1.5;
  stroke-dasharray: 6 4; opacity: 0.8; }
.point { fill: var(--c); }
.baseline { stroke: var(--fg); stroke-dasharray: 4 3; }
.ceiling { stroke: var(--fg); stroke-width: 3; }
table { border-collapse: collapse; font-size: 13px; margin: 1em 0; }
th, td { padding: 2px 8px; border-bottom: 1px solid var(--grid);
  text-align: right; vertical-align: top; }
th:first-child, td:first-child { text-align: left; }
table.inputs td, table.inputs th { text-align: left; }
.note { color: var(--muted); }
@media print { body { max-width: none; } svg.chart { break-inside: avoid; } }
)css";

std::string Escape(const std::string& text) { return EscapeXml(text); }

std::string Table(const TextTable& table, const char* cls = "") {
  std::string html = std::string("<table class=\"") + cls + "\"><thead><tr>";
  for (const std::string& cell : table.header) {
    html += "<th>" + Escape(cell) + "</th>";
  }
  html += "</tr></thead><tbody>";
  for (const auto& row : table.rows) {
    html += "<tr>";
    for (const std::string& cell : row) html += "<td>" + Escape(cell) + "</td>";
    html += "</tr>";
  }
  html += "</tbody></table>";
  for (const std::string& note : table.notes) {
    html += "<p class=\"note\">" + Escape(note) + "</p>";
  }
  return html;
}

std::string Bytes(std::uint64_t bytes) {
  return ReadableNumber(static_cast<double>(bytes) / (1 << 30)) + " GiB";
}

// What each input is and where it ran.
std::string InputsTable(const Comparison& comparison,
                        const std::vector<Column>& columns,
                        const std::vector<ColumnRange>& ranges) {
  TextTable table;
  table.header = {"Input", "Source", "Runs", "Threads", "Program", "Machine"};
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    const ReportInput& input = comparison.inputs[i];
    std::string threads;
    for (std::size_t c = ranges[i].begin; c < ranges[i].end; ++c) {
      const Column& column = columns[c];
      threads += (threads.empty() ? "" : ", ") +
                 (column.threads ? std::to_string(*column.threads) : "?");
    }
    const RunRecord& first = input.runs.front();
    std::string program =
        "drives" + std::to_string(first.tag) +
        (first.kind == InputKind::kConsole ? ", console transcript"
                                           : ", results file");
    std::string machine = "not recorded";
    if (input.manifest) {
      const MachineDescription& m = input.manifest->machine;
      std::vector<std::string> parts;
      for (const auto& part : {m.osName, m.osVersion, m.processor}) {
        if (part) parts.push_back(*part);
      }
      if (m.logicalCores) {
        parts.push_back(std::to_string(*m.logicalCores) + " logical cores");
      }
      if (m.memoryBytes) parts.push_back(Bytes(*m.memoryBytes) + " memory");
      std::string disk;
      if (m.fileSystem) disk += *m.fileSystem;
      if (m.device) disk += (disk.empty() ? "" : " on ") + *m.device;
      if (m.totalBytes && m.freeBytes) {
        disk += (disk.empty() ? "" : ", ") + Bytes(*m.freeBytes) + " free of " +
                Bytes(*m.totalBytes);
      }
      if (!disk.empty()) parts.push_back(disk);
      machine.clear();
      for (const std::string& part : parts) {
        machine += (machine.empty() ? "" : "; ") + part;
      }
      if (!input.manifest->created.empty()) {
        program += ", swept " + input.manifest->created;
      }
    }
    table.rows.push_back({input.label, input.source,
                          std::to_string(input.runs.size()), threads, program,
                          machine});
  }
  return Table(table, "inputs");
}

bool AnyEndsEarly(const Column& column) {
  for (const RunRecord* run : column.runs) {
    if (!run->Complete()) return true;
  }
  return false;
}

// One bar per column: its median, with the confidence interval of repeated
// runs and, fainter, their range; a compared input's bar carries its
// verdict.
std::string ComparisonChart(const Comparison& comparison,
                            const Conclusions& conclusions,
                            const std::vector<Column>& columns,
                            const FigureRow& row) {
  BarChart chart;
  chart.title = row.Label();
  chart.unit = row.Unit();
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const Column& column = columns[c];
    const FigureStatistics f = conclusions.Describe(column, row);
    const Summary& s = f.summary;
    Bar bar;
    bar.label = column.label;
    bar.colour = static_cast<int>(column.input);
    if (s.runs > 0) {
      bar.value = s.median;
      if (f.interval) {
        bar.low = f.interval->low;
        bar.high = f.interval->high;
        bar.lowest = s.min;
        bar.highest = s.max;
      }
    } else if (AnyEndsEarly(column)) {
      bar.missing = "missing: the input ends early";
    }
    if (const FigureComparison* compared = conclusions.Compared(c, row)) {
      bar.note = ChartVerdictText(*compared, comparison.minEffect);
      bar.tooltip = VerdictText(*compared, comparison.minEffect);
    }
    if (const FigureMeasured* m = conclusions.Measure(c, row)) {
      bar.ceiling = m->ceiling;
      if (m->measured != Measured::kUnknown) {
        bar.note += std::string(bar.note.empty() ? "" : "; ") +
                    MeasuredKey(m->measured);
        bar.tooltip += std::string(bar.tooltip.empty() ? "" : "; ") +
                       "measured: " + MeasuredKey(m->measured) + ", " + m->why;
      }
    }
    chart.bars.push_back(bar);
  }
  if (comparison.baseline) {
    for (const Column& column : columns) {
      if (column.input != *comparison.baseline) continue;
      const Summary s = column.Of(row);
      if (s.runs > 0) {
        chart.baseline = s.median;
        chart.baselineLabel = column.label;
      }
      break;
    }
  }
  return DrawBarChart(chart);
}

// In words, which figures speak about the drive, and the drive's own
// ceiling: what each input's figures measured.
std::string MeasuredParagraph(const Comparison& comparison,
                              const Conclusions& conclusions,
                              const std::vector<Column>& columns,
                              const std::vector<ColumnRange>& ranges) {
  std::string html;
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    const ReportInput& input = comparison.inputs[i];
    if (input.role == kControlDirectoryRole) continue;
    std::map<Measured, std::vector<std::string>> by;
    for (std::size_t c = ranges[i].begin; c < ranges[i].end; ++c) {
      for (const FigureRow& row : ComparedFigures()) {
        if (!row.Compares()) continue;
        const FigureMeasured* m = conclusions.Measure(c, row);
        if (!m || row.kind == FigureRow::Kind::kImprovement) continue;
        by[m->measured].push_back(row.Label() +
                                  (ranges[i].end - ranges[i].begin > 1
                                       ? " at " + columns[c].label
                                       : std::string()));
      }
    }
    const bool told = by.count(Measured::kDrive) ||
                      by.count(Measured::kFileSystem) ||
                      by.count(Measured::kCache);
    const std::optional<DriveCeiling>& ceiling =
        input.manifest ? input.manifest->driveCeiling : std::nullopt;
    if (!told && !ceiling) continue;
    html += "<p class=\"measured\"><b>" + Escape(input.label) + "</b>: ";
    if (ceiling) {
      html +=
          "the drive's own ceiling: " + Escape(CeilingText(*ceiling)) + ". ";
    }
    const std::pair<Measured, const char*> kinds[] = {
        {Measured::kDrive, "These figures speak about the drive: "},
        {Measured::kFileSystem,
         "These about the file system's work in memory: "},
        {Measured::kCache, "These about the cache, not the drive: "},
        {Measured::kUnknown, "These cannot be told: "}};
    for (const auto& [kind, words] : kinds) {
      const auto found = by.find(kind);
      if (found == by.end() || (kind == Measured::kUnknown && !told)) continue;
      std::string list;
      for (const std::string& label : found->second) {
        list += (list.empty() ? "" : "; ") + label;
      }
      html += words + Escape(list) + ". ";
    }
    if (!told) {
      html +=
          "Without a memory control beside the runs (run --control), "
          "which figures speak about the drive cannot be told.";
    }
    html += "</p>\n";
  }
  return html;
}

// The significant differences, largest first, and what the rules found in
// each input.
std::string WhatDiffers(const Comparison& comparison,
                        const Conclusions& conclusions,
                        const std::vector<Column>& columns) {
  std::vector<const FigureComparison*> differing;
  for (const FigureComparison& f : conclusions.Comparisons()) {
    if (f.judged.estimate && Differs(f.judged.verdict)) differing.push_back(&f);
  }
  std::stable_sort(differing.begin(), differing.end(),
                   [](const FigureComparison* a, const FigureComparison* b) {
                     return std::fabs(std::log(a->judged.estimate->ratio)) >
                            std::fabs(std::log(b->judged.estimate->ratio));
                   });
  std::string html = "<h2 id=\"differs\">What differs</h2>";
  if (differing.empty()) {
    return html + "<p>No difference is significant, over " +
           std::to_string(conclusions.Comparisons().size()) +
           " comparisons with the baseline.</p>";
  }
  html += "<ul class=\"differs\">";
  for (const FigureComparison* f : differing) {
    html += "<li>" +
            Escape(columns[f->column].label + ": " + f->row.Label() + ": " +
                   VerdictText(*f, comparison.minEffect)) +
            "</li>";
  }
  return html + "</ul><p class=\"note\">Against " +
         Escape(comparison.inputs[*comparison.baseline].label) +
         ", each input's comparisons adjusted together: at most 5% of the "
         "differences an input shows are false, and its intervals are at "
         "the level that agrees with its verdicts.</p>";
}

// What the rules found in the inputs, where they found anything.
std::string Findings(const Comparison& comparison,
                     const Conclusions& conclusions,
                     const std::vector<Column>& columns) {
  std::string items;
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    for (const ConclusionText& said :
         InputConclusionTexts(comparison, columns, conclusions, i)) {
      items += "<li>" + Escape(said.text) + "</li>";
    }
  }
  for (const ConclusionText& said :
       ComparisonConclusionTexts(comparison, conclusions)) {
    items += "<li>" + Escape(said.text) + "</li>";
  }
  if (items.empty()) return "";
  return "<h2 id=\"findings\">Found in the runs</h2><ul class=\"differs\">" +
         items +
         "</ul><p class=\"note\">Each rule flags at most 1% of steady "
         "inputs by chance, and all of an input's rules together at most "
         "5%.</p>";
}

// Total rate against thread count for each input swept over several, with
// its single-thread rate times the thread count as the ideal.
std::string ScalingChart(const Comparison& comparison,
                         const std::vector<Column>& columns,
                         const std::vector<ColumnRange>& ranges,
                         const FigureRow& total, const FigureRow& single) {
  LineChart chart;
  chart.title = total.Label() + " against threads";
  chart.xUnit = "threads";
  chart.yUnit = total.Unit();
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    Series measured{comparison.inputs[i].label, {}, static_cast<int>(i), false};
    Series ideal{
        "ideal: " + comparison.inputs[i].label, {}, static_cast<int>(i), true};
    std::vector<double> singles;
    for (const RunRecord& run : comparison.inputs[i].runs) {
      if (const auto v = single.Value(run)) singles.push_back(*v);
    }
    const Summary one = Summarize(singles);
    for (std::size_t c = ranges[i].begin; c < ranges[i].end; ++c) {
      const Column& column = columns[c];
      if (!column.threads) continue;
      const Summary s = column.Of(total);
      if (s.runs > 0) measured.points.emplace_back(*column.threads, s.median);
      if (one.runs > 0) {
        ideal.points.emplace_back(*column.threads,
                                  one.median * *column.threads);
      }
    }
    if (measured.points.size() < 2) continue;
    chart.series.push_back(std::move(measured));
    chart.series.push_back(std::move(ideal));
  }
  return chart.series.empty() ? "" : DrawLineChart(chart);
}

// The sum over clients against the client count for each input and thread
// count run with several, with K times the one-client sum as the ideal.
std::string ClientChart(const Comparison& comparison,
                        const std::vector<Column>& columns,
                        const FigureRow& row) {
  LineChart chart;
  chart.title = row.Label() + ", summed over clients";
  chart.xUnit = "clients";
  chart.yUnit = row.Unit();
  std::map<std::pair<std::size_t, std::optional<int>>, std::size_t> seriesOf;
  for (const Column& column : columns) {
    if (!column.clients) continue;
    const auto key = std::make_pair(column.input, column.threads);
    if (!seriesOf.count(key)) {
      seriesOf[key] = chart.series.size();
      const std::string name = comparison.inputs[column.input].label + ", " +
                               CellText(std::nullopt, column.threads);
      chart.series.push_back({name, {}, static_cast<int>(column.input), false});
      chart.series.push_back(
          {"ideal: " + name, {}, static_cast<int>(column.input), true});
    }
    const Summary s = column.Of(row);
    if (s.runs == 0) continue;
    chart.series[seriesOf[key]].points.emplace_back(*column.clients, s.median);
  }
  // The ideal: K times the one-client sum.
  for (std::size_t i = 0; i + 1 < chart.series.size(); i += 2) {
    const auto& measured = chart.series[i].points;
    for (const auto& [k, value] : measured) {
      if (k != 1) continue;
      for (const auto& [x, ignored] : measured) {
        chart.series[i + 1].points.emplace_back(x, value * x);
      }
    }
  }
  std::vector<Series> shown;
  for (std::size_t i = 0; i + 1 < chart.series.size(); i += 2) {
    if (chart.series[i].points.size() < 2) continue;
    shown.push_back(chart.series[i]);
    shown.push_back(chart.series[i + 1]);
  }
  chart.series = std::move(shown);
  return chart.series.empty() ? "" : DrawLineChart(chart);
}

// Each thread's rate in one parallel phase of one run.
std::string ThreadChart(const ReportInput& input, int colour, Figure figure) {
  const RunRecord& run = input.runs.front();
  BarChart chart;
  chart.title = input.label + ": " + FigureTitle(figure) + ", each thread";
  chart.unit = IsTransfer(figure) ? "MB/s" : "files/s";
  for (const ThreadMeasurement& t : run.Team(figure).threads) {
    Bar bar;
    bar.label = "thread " + std::to_string(t.thread);
    bar.colour = colour;
    bar.value = IsTransfer(figure) ? MegabytesPerSecond(t.measurement.rate)
                                   : t.measurement.rate;
    chart.bars.push_back(bar);
  }
  const std::size_t reported = chart.bars.size();
  if (reported == 0 ||
      (!run.Complete() && run.threadCount &&
       reported < static_cast<std::size_t>(*run.threadCount))) {
    Bar bar;
    bar.label = reported == 0 ? "threads" : "the other threads";
    bar.missing = run.Complete() ? "missing" : "missing: the input ends early";
    chart.bars.push_back(bar);
  }
  return DrawBarChart(chart);
}

}  // namespace

void HtmlReporter::Write(const Comparison& comparison,
                         const Conclusions& conclusions,
                         std::ostream& out) const {
  const std::vector<Column> columns = ComparisonColumns(comparison);
  const std::vector<ColumnRange> ranges = ColumnsByInput(comparison, columns);
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>"
         "<meta name=\"viewport\" content=\"width=device-width\"/>"
         "<title>Drive benchmark report</title><style>"
      << kStyle << "</style></head><body>\n";
  out << "<h1>Drive benchmark report</h1><p>";
  std::string labels;
  for (const ReportInput& input : comparison.inputs) {
    labels += (labels.empty() ? "" : ", ") + input.label;
  }
  out << Escape(comparison.inputs.empty() ? "No input could be read."
                                          : "Compared: " + labels + ".");
  if (!comparison.madeAt.empty()) {
    out << " Made by drives-report on " << Escape(comparison.madeAt) << ".";
  }
  out << "</p>\n";
  if (comparison.inputs.empty()) {
    out << "</body></html>\n";
    return;
  }
  out << MeasuredParagraph(comparison, conclusions, columns, ranges);
  if (comparison.baseline) {
    out << WhatDiffers(comparison, conclusions, columns) << "\n";
  }
  out << Findings(comparison, conclusions, columns) << "\n";
  out << "<h2 id=\"inputs\">Inputs</h2>"
      << InputsTable(comparison, columns, ranges) << "\n";

  out << "<h2 id=\"comparison\">Comparison</h2><p class=\"note\">Bars are the "
         "median where runs were repeated; the whisker is the median's "
         "confidence interval (95% or more from 6 runs on; the range of "
         "the runs below), and the fainter dotted line the range of the "
         "runs. Beside a compared input's bar, its verdict against the "
         "baseline.</p>\n";
  for (const FigureRow& row : ComparedFigures()) {
    if (row.kind == FigureRow::Kind::kSingle ||
        row.kind == FigureRow::Kind::kTotal) {
      out << ComparisonChart(comparison, conclusions, columns, row) << "\n";
    }
  }

  std::string scaling;
  for (const Figure figure : kFigures) {
    scaling += ScalingChart(comparison, columns, ranges,
                            {FigureRow::Kind::kTotal, figure},
                            {FigureRow::Kind::kSingle, figure});
  }
  if (!scaling.empty()) {
    out << "<h2 id=\"scaling\">Scaling</h2><p class=\"note\">The total over "
           "all threads "
           "against the thread count; the dashed line is the single-thread "
           "rate times the thread count, where a file system that scaled "
           "perfectly would be.</p>\n"
        << scaling << "\n";
  }

  std::string clients;
  for (const FigureRow& row : ComparedFigures()) {
    if (row.kind == FigureRow::Kind::kSingle ||
        row.kind == FigureRow::Kind::kTotal) {
      clients += ClientChart(comparison, columns, row);
    }
  }
  if (!clients.empty()) {
    out << "<h2 id=\"clients\">Clients</h2><p class=\"note\">Each figure "
           "summed over the clients of a multi-client run, against the "
           "number of clients; the dashed line is K times the one-client "
           "sum, where a shared file system that kept up would be.</p>\n"
        << clients << "\n";
  }

  std::string threads;
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    if (comparison.inputs[i].runs.size() != 1) continue;
    for (const Figure figure : kFigures) {
      threads += ThreadChart(comparison.inputs[i], static_cast<int>(i), figure);
    }
  }
  if (!threads.empty()) {
    out << "<h2 id=\"threads\">Each thread</h2><p class=\"note\">Every "
           "thread's own rate in "
           "each parallel phase of a single run: a thread far below the "
           "others was starved.</p>\n"
        << threads << "\n";
  }

  out << "<h2 id=\"tables\">Tables</h2>";
  for (const TextTable& table : ComparisonTables(comparison, conclusions)) {
    out << Table(table) << "\n";
  }
  out << "</body></html>\n";
}

void HtmlReporter::WriteHistory(const HistoryView& view,
                                std::ostream& out) const {
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>"
         "<meta name=\"viewport\" content=\"width=device-width\"/>"
         "<title>Drive history</title><style>"
      << kStyle << "</style></head><body>\n";
  out << "<h1>History of " << Escape(view.drive) << "</h1><p>"
      << view.sessions.size()
      << (view.sessions.size() == 1 ? " session" : " sessions")
      << ". Each line is a figure's median session by session in one "
         "series of like conditions (program, thread and client count, "
         "--settle), its band the median's confidence interval; a dotted "
         "vertical line marks a lasting change that the history check finds "
         "(at least "
      << view.minEffect * 100 << "%). Sessions are labelled by their date "
      << "(month-day, UTC) and number.";
  if (view.from > 0 && view.from < view.sessions.size()) {
    out << " Judged from session " << view.sessions[view.from].id
        << " on, a change accepted there.";
  }
  out << "</p>\n";
  std::vector<std::string> labels;
  for (const SessionSummary& s : view.sessions) {
    const std::string day =
        s.started.size() >= 10 ? s.started.substr(5, 5) : s.started;
    labels.push_back(day + " #" + std::to_string(s.id));
  }
  // A chart per figure, a line per series of like conditions.
  std::map<std::string, TimeChart> charts;
  std::vector<std::string> order;
  for (const JudgedCondition& condition : view.conditions) {
    for (const JudgedFigure& figure : condition.figures) {
      TimeChart& chart = charts[figure.figure];
      if (chart.title.empty()) {
        chart.title = FigureLabel(figure.figure);
        chart.unit = figure.unit;
        order.push_back(figure.figure);
      }
      TimeSeries series;
      series.name = ConditionLabel(condition.condition, view.conditions);
      series.colour = static_cast<int>(chart.series.size());
      std::size_t next = 0;
      for (const HistoryPoint& point : figure.points) {
        while (next < figure.shifts.size() &&
               figure.shifts[next].at <= point.session) {
          if (figure.shifts[next].at == point.session) {
            series.steps.push_back(series.points.size());
          }
          ++next;
        }
        series.points.push_back(
            {point.session, point.median, point.low, point.high});
      }
      if (const auto& t = figure.trend) {
        series.trend =
            TimeSeries::Trend{t->from, t->start, t->to, t->start * t->Total()};
      }
      chart.series.push_back(std::move(series));
    }
  }
  std::sort(order.begin(), order.end(),
            [](const std::string& a, const std::string& b) {
              return FigurePosition(a) < FigurePosition(b);
            });
  for (const std::string& key : order) {
    TimeChart& chart = charts[key];
    chart.xLabels = labels;
    out << DrawTimeChart(chart) << "\n";
    chart = TimeChart();  // drawn: its points no longer needed
  }
  out << "<h2 id=\"tables\">Tables</h2>";
  for (const auto& [label, table] : HistoryTables(view)) {
    out << "<h3>" << Escape(label) << "</h3>" << Table(table) << "\n";
  }
  out << "</body></html>\n";
}

void HtmlReporter::WriteCheck(const std::vector<DriveCheck>& checks,
                              std::ostream& out) const {
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>"
         "<meta name=\"viewport\" content=\"width=device-width\"/>"
         "<title>History check</title><style>"
      << kStyle << "</style></head><body>\n<h1>History check</h1>\n";
  if (checks.empty()) out << "<p>" << kNothingToCheck << "</p>\n";
  for (const DriveCheck& check : checks) {
    out << "<h2>" << Escape(CheckHeading(check)) << "</h2>\n<ul>";
    // A line of depth 2 is a list inside the line before it.
    int depth = 0;
    for (const CheckLine& line : CheckLines(check)) {
      if (line.depth > depth && depth > 0) out << "<ul>";
      if (line.depth < depth) out << "</li></ul></li>";
      if (line.depth == depth) out << "</li>";
      depth = line.depth;
      out << "\n<li>" << Escape(line.text);
    }
    out << (depth > 1 ? "</li></ul>" : "") << (depth > 0 ? "</li>" : "")
        << "</ul>\n";
  }
  out << "</body></html>\n";
}
