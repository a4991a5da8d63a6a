#include "reporters/csv_reporter.h"

#include <optional>

#include "comparison/columns.h"
#include "reporters/check_text.h"
#include "reporters/csv_text.h"
#include "reporters/figure_comparisons.h"
#include "reporters/output_buffer.h"
#include "results/figures.h"
#include "statistics/summary.h"

namespace {

constexpr char kHeader[] =
    "input,label,kind,tag,clients,threads,run,client,statistic,phase,"
    "measurement,thread,line,"
    "elapsed_s,rate_per_s,mb_per_s,improvement,disturbed,figure,unit,median,"
    "ci_low,ci_high,ci_coverage,precision,outliers,baseline,ratio,ratio_low,"
    "ratio_high,p_value,p_adjusted,verdict,adjusted_low,adjusted_high,"
    "adjusted_level,measured,ceiling_ratio,memory_ratio,memory_ratio_low,"
    "memory_ratio_high,controlled_ratio,controlled_ratio_low,"
    "controlled_ratio_high,controlled_verdict,attribution";
// The columns from "figure" on, empty but on the interval rows.
constexpr char kNoInterval[] = ",,,,,,,,,,,,,,,,,,,,,,,,,,,,";

// What every row of one run, or of one statistic, starts with.
// `run` gives the kind, the tag and the client count; `client` is the
// client's number on the rows of one client of a multi-client run.
std::string LeadFields(const ReportInput& input, const RunRecord& run,
                       const std::optional<int>& threads,
                       const std::string& runNumber,
                       const std::string& statistic,
                       const std::string& client = "") {
  return CsvField(input.source) + ',' + CsvField(input.label) + ',' +
         (run.kind == InputKind::kConsole ? "console" : "results") + ',' +
         std::to_string(run.tag) + ',' +
         (run.clients ? std::to_string(*run.clients) : "") + ',' +
         (threads ? std::to_string(*threads) : "") + ',' + runNumber + ',' +
         client + ',' + statistic;
}

struct Row {
  std::string thread;  // "single", "total" or the thread number
  int line = 0;
  std::optional<double> elapsed;
  std::optional<double> rate;
  std::optional<double> improvement;
  std::optional<double> megabytes;  // of a statistic; else from the rate
};

// `tail`: the columns from "disturbed" on, each after its comma.
void WriteRow(const std::string& lead, Figure figure, const Row& row,
              OutputBuffer& out, const std::string& tail = kNoInterval) {
  std::optional<double> megabytes = row.megabytes;
  if (!megabytes && row.rate && IsTransfer(figure)) {
    megabytes = MegabytesPerSecond(*row.rate);
  }
  out << lead << ',' << FigurePhaseKey(figure) << ','
      << FigureMeasurementKey(figure) << ',' << row.thread << ','
      << (row.line > 0 ? std::to_string(row.line) : "") << ','
      << CsvNumber(row.elapsed) << ',' << CsvNumber(row.rate) << ','
      << CsvNumber(megabytes) << ',' << CsvNumber(row.improvement) << ','
      << tail << '\n';
}

void WriteRun(const std::string& lead, const RunRecord& run,
              const std::string& tail, OutputBuffer& out) {
  for (const Figure figure : kFigures) {
    if (const auto& m = run.Single(figure)) {
      WriteRow(lead, figure, {"single", m->line, m->elapsed, m->rate, {}, {}},
               out, tail);
    }
  }
  for (const Figure figure : kFigures) {
    const TeamFigure& team = run.Team(figure);
    for (const ThreadMeasurement& t : team.threads) {
      const Measurement& m = t.measurement;
      WriteRow(lead, figure,
               {std::to_string(t.thread), m.line, m.elapsed, m.rate, {}, {}},
               out, tail);
    }
    if (team.total || team.improvement) {
      WriteRow(lead, figure,
               {"total", team.totalLine, {}, team.total, team.improvement, {}},
               out, tail);
    }
  }
}

// A statistic as the CSV rows name it, and its value in a summary.
struct Statistic {
  const char* name;
  double (*of)(const Summary&);
  // In the unit of the values, so that a rate's gives the MB/s one; the
  // count and the coefficient of variation are the same for both.
  bool inUnit;
};

constexpr Statistic kStatistics[] = {
    {"runs", [](const Summary& s) { return static_cast<double>(s.runs); },
     false},
    {"median", [](const Summary& s) { return s.median; }, true},
    {"min", [](const Summary& s) { return s.min; }, true},
    {"max", [](const Summary& s) { return s.max; }, true},
    {"mean", [](const Summary& s) { return s.mean; }, true},
    {"sd", [](const Summary& s) { return s.sd; }, true},
    {"cv", [](const Summary& s) { return s.cv; }, false},
};

std::optional<double> Pick(const Summary& s, const Statistic& statistic) {
  if (s.runs == 0) return std::nullopt;
  return statistic.of(s);
}

// The statistic of a transfer's MB/s from that of its rate: MB/s is the
// rate times 2^-20, a scaling that every statistic follows exactly.
std::optional<double> PickMegabytes(Figure figure, const Summary& rate,
                                    const Statistic& statistic) {
  const std::optional<double> value = Pick(rate, statistic);
  if (!IsTransfer(figure)) return std::nullopt;
  return value && statistic.inUnit ? MegabytesPerSecond(*value) : value;
}

// For a column of repeated runs, each statistic of every single-thread
// figure and every total, in the columns of the per-run rows.
void WriteStatistics(const ReportInput& input, const Column& column,
                     OutputBuffer& out) {
  using Value = std::optional<double>;
  struct Summaries {
    Summary elapsed, rate, total, improvement;
  };
  std::vector<Summaries> summaries;
  summaries.reserve(kFigureCount);
  for (const Figure f : kFigures) {
    summaries.push_back(
        {column.Over([f](const RunRecord& r) -> Value {
           const auto& m = r.Single(f);
           return m ? Value(m->elapsed) : std::nullopt;
         }),
         column.Over([f](const RunRecord& r) -> Value {
           const auto& m = r.Single(f);
           return m ? Value(m->rate) : std::nullopt;
         }),
         column.Over([f](const RunRecord& r) { return r.Team(f).total; }),
         column.Over(
             [f](const RunRecord& r) { return r.Team(f).improvement; })});
  }
  for (const Statistic& statistic : kStatistics) {
    const std::string lead = LeadFields(input, *column.runs.front(),
                                        column.threads, "", statistic.name);
    for (const Figure f : kFigures) {
      const Summaries& s = summaries[static_cast<int>(f)];
      WriteRow(lead, f,
               {"single",
                0,
                Pick(s.elapsed, statistic),
                Pick(s.rate, statistic),
                {},
                PickMegabytes(f, s.rate, statistic)},
               out);
    }
    for (const Figure f : kFigures) {
      const Summaries& s = summaries[static_cast<int>(f)];
      WriteRow(lead, f,
               {"total",
                0,
                {},
                Pick(s.total, statistic),
                Pick(s.improvement, statistic),
                PickMegabytes(f, s.total, statistic)},
               out);
    }
  }
}

// Run numbers in one field: "2;7".
std::string RunNumbers(const std::vector<int>& numbers) {
  std::string list;
  for (const int n : numbers) {
    list += (list.empty() ? "" : ";") + std::to_string(n);
  }
  return list;
}

// One row per figure of a column with repeated runs or a comparison: the
// median's interval in the figure's unit, and the comparison with the
// baseline.
void WriteIntervals(const Comparison& comparison,
                    const Conclusions& conclusions,
                    const std::vector<Column>& columns, std::size_t c,
                    OutputBuffer& out) {
  const Column& column = columns[c];
  const ReportInput& input = comparison.inputs[column.input];
  const std::string lead =
      LeadFields(input, *column.runs.front(), column.threads, "", "interval");
  for (const FigureRow& row : ComparedFigures()) {
    if (!row.Compares()) continue;
    const FigureComparison* compared = conclusions.Compared(c, row);
    const FigureStatistics s = conclusions.Describe(column, row);
    if (s.summary.runs == 0 || (s.summary.runs < 2 && !compared)) continue;
    std::string tail = "," + CsvField(row.Key()) + ',' + CsvField(row.Unit()) +
                       ',' + CsvNumber(s.summary.median) + ',';
    if (s.interval) {
      tail += CsvNumber(s.interval->low) + ',' + CsvNumber(s.interval->high) +
              ',' + CsvNumber(s.interval->coverage) + ',' +
              CsvNumber(s.precision);
    } else {
      tail += ",,,";
    }
    tail += ',' + RunNumbers(conclusions.Outliers(c, row)) + ',';
    if (compared && compared->judged.estimate) {
      const FigureVerdict& v = compared->judged;
      const RatioEstimate& e = *v.estimate;
      tail +=
          CsvField(comparison.inputs[columns[compared->baseline].input].label) +
          ',' + CsvNumber(e.ratio) + ',' + CsvNumber(e.low) + ',' +
          CsvNumber(e.high) + ',' + CsvNumber(e.pValue) + ',' +
          CsvNumber(v.pAdjusted) + ',' + VerdictKey(v.verdict) + ',' +
          (v.adjusted
               ? CsvNumber(v.adjusted->low) + ',' + CsvNumber(v.adjusted->high)
               : std::string(",")) +
          ',' + CsvNumber(v.adjustedLevel);
    } else if (compared) {
      tail +=
          CsvField(comparison.inputs[columns[compared->baseline].input].label) +
          ",,,,,,,,,";
    } else {
      tail += ",,,,,,,,,";
    }
    // What it measured, and the verdict against the memory control.
    if (const FigureMeasured* m = conclusions.Measure(c, row)) {
      tail += std::string(",") + MeasuredKey(m->measured) + ',' +
              CsvNumber(m->ceilingRatio) + ',' + CsvNumber(m->memoryRatio) +
              ',' + CsvNumber(m->memoryLow) + ',' + CsvNumber(m->memoryHigh);
    } else {
      tail += ",,,,,";
    }
    if (compared && compared->controlled && compared->controlled->estimate) {
      const FigureVerdict& v = *compared->controlled;
      tail += ',' + CsvNumber(v.estimate->ratio) + ',' +
              (v.adjusted ? CsvNumber(v.adjusted->low) + ',' +
                                CsvNumber(v.adjusted->high)
                          : std::string(",")) +
              ',' + VerdictKey(v.verdict) + ',' +
              AttributionKey(compared->attribution);
    } else {
      tail += ",,,,,";
    }
    const std::string thread =
        row.kind == FigureRow::Kind::kSingle ? "single" : "total";
    out << lead << ',' << FigurePhaseKey(row.figure) << ','
        << FigureMeasurementKey(row.figure) << ',' << thread << ",,,,,," << tail
        << '\n';
  }
}

}  // namespace

void CsvReporter::Write(const Comparison& comparison,
                        const Conclusions& conclusions,
                        std::ostream& stream) const {
  OutputBuffer out(stream);
  out << kHeader << '\n';
  for (const ReportInput& input : comparison.inputs) {
    for (std::size_t i = 0; i < input.runs.size(); ++i) {
      const RunRecord& run = input.runs[i];
      const std::string tail = (input.marks[i].disturbed ? "true" : "false") +
                               std::string(kNoInterval);
      WriteRun(
          LeadFields(input, run, run.threadCount, std::to_string(i + 1), ""),
          run, tail, out);
      // Each client's own figures, under the run's client count.
      for (const ClientDetail& client : input.clients[i]) {
        RunRecord own = client.record;
        own.clients = run.clients;
        WriteRun(LeadFields(input, own, own.threadCount, std::to_string(i + 1),
                            "", std::to_string(client.result.client)),
                 own, tail, out);
      }
    }
  }
  const std::vector<Column> columns = ComparisonColumns(comparison);
  for (const Column& column : columns) {
    if (column.runs.size() > 1) {
      WriteStatistics(comparison.inputs[column.input], column, out);
    }
  }
  for (std::size_t c = 0; c < columns.size(); ++c) {
    WriteIntervals(comparison, conclusions, columns, c, out);
  }
}

void CsvReporter::WriteHistory(const HistoryView& view,
                               std::ostream& stream) const {
  OutputBuffer out(stream);
  out << "drive,session,started,threads,figure,unit,runs,median,ci_low,"
         "ci_high,ci_coverage,precision,step_ratio,program,settle,role,"
         "clients,step_low,step_high\n";
  for (const JudgedCondition& condition : view.conditions) {
    const HistoryCondition& c = condition.condition;
    for (const JudgedFigure& figure : condition.figures) {
      std::size_t next = 0;
      for (const HistoryPoint& p : figure.points) {
        const SessionSummary& session = view.sessions[p.session];
        const LevelShift* shift = nullptr;
        while (next < figure.shifts.size() &&
               figure.shifts[next].at <= p.session) {
          if (figure.shifts[next].at == p.session) shift = &figure.shifts[next];
          ++next;
        }
        std::optional<double> coverage;
        std::optional<double> precision;
        if (p.low && p.high) {
          coverage = OrderCoverage(p.runs, OrderRank(p.runs));
          precision = (*p.high - *p.low) / 2 / p.median;
        }
        out << CsvField(view.drive) << ',' << session.id << ','
            << CsvField(session.started) << ','
            << (c.threads ? std::to_string(*c.threads) : "") << ','
            << CsvField(figure.figure) << ',' << CsvField(figure.unit) << ','
            << p.runs << ',' << CsvNumber(p.median) << ',' << CsvNumber(p.low)
            << ',' << CsvNumber(p.high) << ',' << CsvNumber(coverage) << ','
            << CsvNumber(precision) << ','
            << (shift ? CsvNumber(shift->ratio) : std::string()) << ','
            << CsvField(c.program) << ',' << (c.settle ? "1" : "0") << ','
            << CsvField(c.role) << ','
            << (c.clients ? std::to_string(*c.clients) : "") << ','
            << (shift ? CsvNumber(shift->low) + ',' + CsvNumber(shift->high)
                      : std::string(","))
            << '\n';
      }
    }
  }
}

void CsvReporter::WriteCheck(const std::vector<DriveCheck>& checks,
                             std::ostream& stream) const {
  OutputBuffer out(stream);
  out << "drive,machine,sessions,figure,role,clients,threads,finding,ratio,"
         "ratio_low,ratio_high,since_session,since_started,message\n";
  for (const DriveCheck& c : checks) {
    for (const CheckRecord& r : CheckRecords(c)) {
      out << CsvField(c.drive.name) << ',' << CsvField(c.drive.machine) << ','
          << c.sessions << ',' << CsvField(r.figure) << ',' << CsvField(r.role)
          << ',' << (r.clients ? std::to_string(*r.clients) : "") << ','
          << (r.threads ? std::to_string(*r.threads) : "") << ','
          << CsvField(r.finding) << ',' << CsvNumber(r.ratio) << ','
          << CsvNumber(r.low) << ',' << CsvNumber(r.high) << ','
          << (r.sinceSession ? std::to_string(*r.sinceSession) : "") << ','
          << CsvField(r.sinceStarted) << ',' << CsvField(r.message) << '\n';
    }
  }
}
