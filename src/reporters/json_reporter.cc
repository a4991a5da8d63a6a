#include "reporters/json_reporter.h"

#include <nlohmann/json.hpp>

#include "comparison/columns.h"
#include "reporters/check_text.h"
#include "reporters/conclusion_text.h"
#include "reporters/json_writer.h"
#include "results/figure_rows.h"
#include "results/figures.h"
#include "runs/concurrency.h"
#include "runs/manifest.h"
#include "statistics/summary.h"

namespace {

// Finite values are the doubles the input printed, written back in their
// shortest exact form; JSON has no infinity or not-a-number, which are the
// strings "inf", "-inf" and "nan".
template <typename Integer>
void OptionalInt(JsonWriter& json, const std::optional<Integer>& value) {
  if (value) {
    json.Int(*value);
  } else {
    json.Null();
  }
}

// How alike neighbouring runs are, and what the runs are worth; null where
// no column had the runs to tell.
void DependenceJson(JsonWriter& json, const InputConclusions& found) {
  const SerialDependence& d = found.dependence;
  if (d.series == 0) {
    json.Null();
    return;
  }
  json.BeginObject();
  json.Key("lag_one").Real(d.lagOne);
  json.Key("rho").Real(d.rho);
  json.Key("p_value").Real(d.pValue);
  json.Key("runs").Int(static_cast<long long>(found.runs));
  json.Key("runs_worth").Real(d.Worth(found.runs));
  json.Key("said").Bool(found.dependent);
  if (const auto& pairs = found.pairsDependence) {
    json.Key("pairs").BeginObject();
    json.Key("lag_one").Real(pairs->lagOne);
    json.Key("rho").Real(pairs->rho);
    json.Key("p_value").Real(pairs->pValue);
    json.Key("pairs").Int(static_cast<long long>(found.pairs));
    json.Key("pairs_worth").Real(pairs->Worth(found.pairs));
    json.Key("said").Bool(found.pairsDependent);
    json.EndObject();
  }
  json.EndObject();
}

void MeasurementFields(JsonWriter& json, Figure figure, const Measurement& m) {
  json.Key("elapsed_s").Real(m.elapsed);
  json.Key("rate_per_s").Real(m.rate);
  if (IsTransfer(figure)) json.Key("mb_per_s").Real(MegabytesPerSecond(m.rate));
  json.Key("line").Int(m.line);
}

void TeamJson(JsonWriter& json, Figure figure, const TeamFigure& team) {
  json.BeginObject();
  json.Key("threads").BeginArray();
  for (const ThreadMeasurement& t : team.threads) {
    json.BeginObject();
    json.Key("thread").Int(t.thread);
    MeasurementFields(json, figure, t.measurement);
    json.EndObject();
  }
  json.EndArray();
  json.Key("total_per_s").Real(team.total);
  if (IsTransfer(figure)) {
    json.Key("total_mb_per_s")
        .Real(team.total
                  ? std::optional<double>(MegabytesPerSecond(*team.total))
                  : std::nullopt);
  }
  json.Key("improvement").Real(team.improvement);
  json.EndObject();
}

void ClientRunsJson(JsonWriter& json, const RunMark& mark,
                    const std::vector<ClientDetail>& clients);

void RunJson(JsonWriter& json, const RunRecord& run, const RunMark& mark,
             const std::vector<ClientDetail>& clients) {
  json.BeginObject();
  json.Key("source").String(run.source);
  json.Key("number").Int(mark.number);
  json.Key("disturbed").Bool(mark.disturbed);
  json.Key("clients");
  OptionalInt(json, run.clients);
  ClientRunsJson(json, mark, clients);
  json.Key("kind").String(run.kind == InputKind::kConsole ? "console"
                                                          : "results");
  json.Key("tag").Int(run.tag);
  json.Key("threads");
  OptionalInt(json, run.threadCount);
  json.Key("complete").Bool(run.Complete());
  json.Key("stop");
  if (run.stop) {
    json.BeginObject();
    json.Key("line").Int(run.stop->line);
    json.Key("section").String(SectionKey(run.stop->section));
    json.Key("line_cut_off").Bool(run.stop->lineCutOff);
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("single").BeginObject();
  for (const Figure figure : kFigures) {
    json.Key(FigureKey(figure));
    if (const auto& m = run.Single(figure)) {
      json.BeginObject();
      MeasurementFields(json, figure, *m);
      json.EndObject();
    } else {
      json.Null();
    }
  }
  json.EndObject();
  json.Key("parallel").BeginObject();
  for (const Figure figure : kFigures) {
    json.Key(FigureKey(figure));
    TeamJson(json, figure, run.Team(figure));
  }
  json.EndObject();
  json.Key("unable_to_open").BeginObject();
  for (const Section section :
       {Section::kByteWise, Section::kBulk, Section::kParallelByteWise,
        Section::kParallelBulk}) {
    json.Key(SectionKey(section))
        .Int(run.unableToOpen[static_cast<int>(section)]);
  }
  json.EndObject();
  json.Key("findings").BeginArray();
  for (const Finding& f : run.findings) {
    json.BeginObject();
    json.Key("line").Int(f.line);
    json.Key("check").String(f.check);
    json.Key("expected").String(f.expected);
    json.Key("found").String(f.found);
    json.EndObject();
  }
  json.EndArray();
  json.Key("benchmark_warnings").BeginArray();
  for (const std::string& warning : run.benchmarkWarnings) json.String(warning);
  json.EndArray();
  json.EndObject();
}

// A multi-client run's clients, and whether they ran together: the members
// "client_runs" and "concurrency", null for a plain run.
void ClientRunsJson(JsonWriter& json, const RunMark& mark,
                    const std::vector<ClientDetail>& clients) {
  if (clients.empty()) {
    json.Key("client_runs").Null();
    json.Key("concurrency").Null();
    return;
  }
  json.Key("client_runs").BeginArray();
  std::vector<ClientResult> results;
  std::vector<RunRecord> consoles;
  for (const ClientDetail& c : clients) {
    const ClientResult& r = c.result;
    json.BeginObject();
    json.Key("client").Int(r.client);
    json.Key("host").String(r.host);
    json.Key("folder").String(r.folder);
    json.Key("status").String(RunStatusName(r.status));
    json.Key("start").Real(r.start);
    json.Key("clock_offset_s").Real(r.clockOffset);
    json.Key("agent_cpu_s").Real(r.agentCpuSeconds);
    json.Key("agent_cpu_running_s").Real(r.agentCpuRunning);
    json.Key("wall_s").Real(r.wallSeconds);
    json.Key("run");
    RunJson(json, c.record, {mark.number, false}, {});
    json.EndObject();
    results.push_back(r);
    consoles.push_back(c.record);
  }
  json.EndArray();
  const Concurrency measured = MeasureConcurrency(results, consoles);
  json.Key("concurrency").BeginObject();
  json.Key("start_skew_s").Real(measured.startSkew);
  json.Key("overlap").BeginObject();
  for (int s = 0; s < kSectionCount; ++s) {
    if (measured.overlap[s]) {
      json.Key(SectionKey(static_cast<Section>(s))).Real(*measured.overlap[s]);
    }
  }
  json.EndObject();
  json.EndObject();
}

// A figure's statistics over some runs, as members of an object being
// written: `unit` where the object is one figure's.
void FigureFields(JsonWriter& json, const FigureRow& row,
                  const FigureStatistics& f, bool unit) {
  const Summary& s = f.summary;
  if (unit) json.Key("unit").String(row.Unit());
  json.Key("runs").Int(s.runs);
  if (s.runs == 0) return;
  json.Key("median").Real(s.median);
  json.Key("min").Real(s.min);
  json.Key("max").Real(s.max);
  json.Key("mean").Real(s.mean);
  json.Key("sd").Real(s.sd);
  json.Key("cv").Real(s.cv);
  json.Key("noisy").Bool(s.Noisy());
  if (f.interval) {
    json.Key("ci_low").Real(f.interval->low);
    json.Key("ci_high").Real(f.interval->high);
    json.Key("ci_coverage").Real(f.interval->coverage);
  } else {
    json.Key("ci_low").Null();
    json.Key("ci_high").Null();
    json.Key("ci_coverage").Null();
  }
  json.Key("precision").Real(f.precision);
}

// What the rules claim of a figure of a column: its outlying runs, its
// drift (the order correlation, and whether the input's drift names it)
// and its clusters.
void ClaimFields(JsonWriter& json, const Conclusions& conclusions,
                 std::size_t column, const FigureRow& row,
                 const FigureStatistics& f) {
  if (f.summary.runs == 0) return;
  json.Key("outliers").BeginArray();
  for (const int run : conclusions.Outliers(column, row)) json.Int(run);
  json.EndArray();
  json.Key("trend");
  if (f.trend) {
    json.BeginObject();
    json.Key("rho").Real(f.trend->rho);
    json.Key("p_value").Real(f.trend->pValue);
    json.Key("drifts").Bool(conclusions.Drifts(column, row));
    json.EndObject();
  } else {
    json.Null();
  }
  json.Key("clusters");
  if (const TwoClusters* clusters = conclusions.Clusters(column, row)) {
    json.BeginArray();
    for (const Cluster& c : {clusters->low, clusters->high}) {
      json.BeginObject();
      json.Key("median").Real(c.median);
      json.Key("runs").Int(c.runs);
      json.Key("share").Real(c.share);
      json.EndObject();
    }
    json.EndArray();
  } else {
    json.Null();
  }
}

// What a figure measured: drive, file-system, cache or unknown, and the
// ratios it was told by; nothing for the control's own figures.
void MeasuredFields(JsonWriter& json, const FigureMeasured* m) {
  if (!m) return;
  json.Key("measured").String(MeasuredKey(m->measured));
  json.Key("measured_why").String(m->why);
  json.Key("ceiling_ratio").Real(m->ceilingRatio);
  json.Key("memory_ratio").Real(m->memoryRatio);
  json.Key("memory_ratio_low").Real(m->memoryLow);
  json.Key("memory_ratio_high").Real(m->memoryHigh);
}

// Every compared figure's statistics over each of the input's columns.
void StatisticsJson(JsonWriter& json, const Conclusions& conclusions,
                    const std::vector<Column>& columns, ColumnRange range) {
  json.BeginArray();
  for (std::size_t c = range.begin; c < range.end; ++c) {
    const Column& column = columns[c];
    json.BeginObject();
    json.Key("clients");
    OptionalInt(json, column.clients);
    json.Key("threads");
    OptionalInt(json, column.threads);
    json.Key("runs").Int(static_cast<long long>(column.runs.size()));
    json.Key("figures").BeginObject();
    for (const FigureRow& row : ComparedFigures()) {
      if (!row.Compares()) continue;
      const FigureStatistics f = conclusions.Describe(column, row);
      json.Key(row.Key()).BeginObject();
      FigureFields(json, row, f, true);
      ClaimFields(json, conclusions, c, row, f);
      MeasuredFields(json, conclusions.Measure(c, row));
      json.EndObject();
    }
    json.EndObject();
    json.EndObject();
  }
  json.EndArray();
}

// What the rules concluded about an input, each with its rule and that
// rule's false-alarm budget.
// One conclusion: its rule, the rule's budget and the words.
void ConclusionJson(JsonWriter& json, Rule rule, const std::string& message) {
  json.BeginObject();
  json.Key("rule").String(RuleOf(rule).key);
  json.Key("false_alarm_budget").Real(RuleOf(rule).budget);
  json.Key("message").String(message);
  json.EndObject();
}

void ConclusionsJson(JsonWriter& json, const Comparison& comparison,
                     const std::vector<Column>& columns,
                     const Conclusions& conclusions, std::size_t input) {
  json.BeginArray();
  for (const ConclusionText& said :
       InputConclusionTexts(comparison, columns, conclusions, input)) {
    ConclusionJson(json, said.rule, said.text);
  }
  for (const ClaimedClusters& claim : conclusions.Of(input).clusters) {
    const Column& column =
        columns[conclusions.ColumnOf(input, claim.at.column)];
    ConclusionJson(json, Rule::kClusters,
                   ColumnName(comparison, column) + ": the runs of " +
                       RowOfFigure(claim.at.figure).Label() +
                       " fall into two groups");
  }
  json.EndArray();
}

void ComparisonJson(JsonWriter& json, const Comparison& comparison,
                    const std::vector<Column>& columns,
                    const FigureComparison& f) {
  const Column& column = columns[f.column];
  const Column& base = columns[f.baseline];
  json.BeginObject();
  json.Key("input").String(comparison.inputs[column.input].label);
  json.Key("baseline").String(comparison.inputs[base.input].label);
  json.Key("clients");
  OptionalInt(json, column.clients);
  json.Key("threads");
  OptionalInt(json, column.threads);
  json.Key("baseline_threads");
  OptionalInt(json, base.threads);
  json.Key("figure").String(f.row.Key());
  json.Key("runs").Int(f.runs);
  json.Key("baseline_runs").Int(f.baselineRuns);
  const FigureVerdict& v = f.judged;
  if (!v.estimate) {
    for (const char* key : {"ratio", "ratio_low", "ratio_high", "p_value",
                            "p_adjusted", "verdict"}) {
      json.Key(key).Null();
    }
    json.EndObject();
    return;
  }
  const RatioEstimate& e = *v.estimate;
  json.Key("ratio").Real(e.ratio);
  json.Key("ratio_low").Real(e.low);
  json.Key("ratio_high").Real(e.high);
  json.Key("p_value").Real(e.pValue);
  json.Key("p_exact").Bool(e.exact);
  json.Key("p_adjusted").Real(v.pAdjusted);
  json.Key("adjusted_low")
      .Real(v.adjusted ? std::optional<double>(v.adjusted->low) : std::nullopt);
  json.Key("adjusted_high")
      .Real(v.adjusted ? std::optional<double>(v.adjusted->high)
                       : std::nullopt);
  json.Key("adjusted_level").Real(v.adjustedLevel);
  json.Key("verdict").String(VerdictKey(v.verdict));
  json.Key("paired").Bool(f.paired);
  const std::shared_ptr<const FigureVerdict>& c = f.controlled;
  const bool controlled = c && c->estimate;
  json.Key("controlled_ratio")
      .Real(controlled ? std::optional<double>(c->estimate->ratio)
                       : std::nullopt);
  json.Key("controlled_ratio_low")
      .Real(controlled && c->adjusted ? std::optional<double>(c->adjusted->low)
                                      : std::nullopt);
  json.Key("controlled_ratio_high")
      .Real(controlled && c->adjusted ? std::optional<double>(c->adjusted->high)
                                      : std::nullopt);
  json.Key("controlled_verdict");
  if (controlled) {
    json.String(VerdictKey(c->verdict));
  } else {
    json.Null();
  }
  json.Key("controlled_by")
      .String(f.controlledBy == ControlledBy::kPairs   ? "pairs"
              : f.controlledBy == ControlledBy::kRatio ? "ratio"
                                                       : "none");
  json.Key("attribution").String(AttributionKey(f.attribution));
  if (v.verdict == Verdict::kInconclusive ||
      v.verdict == Verdict::kTooFewRuns) {
    json.Key("runs_to_settle");
    if (v.runsToSettle) {
      json.Int(*v.runsToSettle);
    } else {
      json.Null();
    }
    json.Key("more_runs_will_not_tell").Bool(v.moreRunsWillNotTell);
  }
  json.EndObject();
}

}  // namespace

void JsonReporter::Write(const Comparison& comparison,
                         const Conclusions& conclusions,
                         std::ostream& out) const {
  const std::vector<Column> columns = ComparisonColumns(comparison);
  const std::vector<ColumnRange> ranges = ColumnsByInput(comparison, columns);
  JsonWriter json(out);
  json.BeginObject();
  json.Key("schema").String(kJsonSchema);
  json.Key("baseline");
  if (comparison.baseline) {
    json.String(comparison.inputs[*comparison.baseline].label);
  } else {
    json.Null();
  }
  json.Key("min_effect").Real(comparison.minEffect);
  json.Key("inputs").BeginArray();
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    const ReportInput& input = comparison.inputs[i];
    json.BeginObject();
    json.Key("source").String(input.source);
    json.Key("label").String(input.label);
    json.Key("role").String(input.role.empty() ? "drive" : input.role);
    json.Key("sweep");
    if (input.sweep.empty()) {
      json.Null();
    } else {
      json.String(input.sweep);
    }
    json.Key("drive_ceiling");
    if (input.manifest && input.manifest->driveCeiling) {
      json.Value(CeilingToJson(*input.manifest->driveCeiling));
    } else {
      json.Null();
    }
    json.Key("manifest");
    if (input.manifest) {
      json.Value(ManifestToJson(*input.manifest));
    } else {
      json.Null();
    }
    json.Key("runs").BeginArray();
    for (std::size_t r = 0; r < input.runs.size(); ++r) {
      RunJson(json, input.runs[r], input.marks[r], input.clients[r]);
    }
    json.EndArray();
    json.Key("statistics");
    StatisticsJson(json, conclusions, columns, ranges[i]);
    json.Key("serial_dependence");
    DependenceJson(json, conclusions.Of(i));
    json.Key("conclusions");
    ConclusionsJson(json, comparison, columns, conclusions, i);
    json.EndObject();
  }
  json.EndArray();
  json.Key("conclusions").BeginArray();
  for (const ConclusionText& said :
       ComparisonConclusionTexts(comparison, conclusions)) {
    ConclusionJson(json, said.rule, said.text);
  }
  json.EndArray();
  json.Key("comparisons").BeginArray();
  for (const FigureComparison& f : conclusions.Comparisons()) {
    ComparisonJson(json, comparison, columns, f);
  }
  json.EndArray();
  json.Key("errors").BeginArray();
  for (const InputFailure& failure : comparison.failures) {
    json.BeginObject();
    json.Key("source").String(failure.source);
    json.Key("line");
    if (failure.error.line > 0) {
      json.Int(failure.error.line);
    } else {
      json.Null();
    }
    json.Key("message").String(failure.error.message);
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  json.Finish();
}

void JsonReporter::WriteHistory(const HistoryView& view,
                                std::ostream& out) const {
  JsonWriter json(out);
  json.BeginObject();
  json.Key("schema").String(kHistoryJsonSchema);
  json.Key("drive").String(view.drive);
  json.Key("min_effect").Real(view.minEffect);
  json.Key("judged_from");
  if (view.from > 0 && view.from < view.sessions.size()) {
    json.Int(view.sessions[view.from].id);
  } else {
    json.Null();
  }
  json.Key("sessions").BeginArray();
  for (const SessionSummary& s : view.sessions) {
    json.BeginObject();
    json.Key("session").Int(s.id);
    json.Key("started").String(s.started);
    json.Key("program").String(s.program);
    json.Key("thread_counts").String(s.threadCounts);
    json.Key("runs").Int(s.runs);
    json.Key("settle").Bool(s.settle);
    json.Key("source").String(s.source);
    json.Key("machine").String(s.machine);
    json.Key("file_system").String(s.fileSystem);
    json.EndObject();
  }
  json.EndArray();
  json.Key("series").BeginArray();
  for (const JudgedCondition& condition : view.conditions) {
    const HistoryCondition& c = condition.condition;
    for (const JudgedFigure& figure : condition.figures) {
      json.BeginObject();
      json.Key("program").String(c.program);
      json.Key("settle").Bool(c.settle);
      json.Key("role").String(c.role);
      json.Key("clients");
      OptionalInt(json, c.clients);
      json.Key("threads");
      OptionalInt(json, c.threads);
      json.Key("figure").String(figure.figure);
      json.Key("unit").String(figure.unit);
      json.Key("too_few_sessions").Bool(condition.tooFewSessions);
      json.Key("points").BeginArray();
      for (const HistoryPoint& p : figure.points) {
        json.BeginObject();
        json.Key("session").Int(view.sessions[p.session].id);
        json.Key("runs").Int(p.runs);
        json.Key("median").Real(p.median);
        json.Key("ci_low").Real(p.low);
        json.Key("ci_high").Real(p.high);
        json.EndObject();
      }
      json.EndArray();
      json.Key("steps").BeginArray();
      for (const LevelShift& shift : figure.shifts) {
        json.BeginObject();
        json.Key("session").Int(view.sessions[shift.at].id);
        json.Key("ratio").Real(shift.ratio);
        json.Key("low").Real(shift.low);
        json.Key("high").Real(shift.high);
        json.Key("with_other_figures").Bool(shift.together);
        json.EndObject();
      }
      json.EndArray();
      if (const auto& t = figure.trend) {
        json.Key("trend").BeginObject();
        json.Key("from_session").Int(view.sessions[t->from].id);
        json.Key("to_session").Int(view.sessions[t->to].id);
        json.Key("sessions").Int(static_cast<long long>(t->sessions));
        json.Key("per_session").Real(t->perSession);
        json.Key("per_session_low").Real(t->low);
        json.Key("per_session_high").Real(t->high);
        json.Key("total").Real(t->Total());
        json.Key("total_low").Real(t->TotalLow());
        json.Key("total_high").Real(t->TotalHigh());
        json.EndObject();
      }
      json.EndObject();
    }
  }
  json.EndArray();
  json.EndObject();
  json.Finish();
}

void JsonReporter::WriteCheck(const std::vector<DriveCheck>& checks,
                              std::ostream& out) const {
  JsonWriter json(out);
  json.BeginObject();
  json.Key("schema").String(kCheckJsonSchema);
  json.Key("drives").BeginArray();
  for (const DriveCheck& c : checks) {
    json.BeginObject();
    json.Key("drive").String(c.drive.name);
    json.Key("machine").String(c.drive.machine);
    json.Key("sessions").Int(static_cast<long long>(c.sessions));
    json.Key("judged_from");
    OptionalInt(json, c.judgedFrom);
    json.Key("slower").Bool(c.slower);
    json.Key("findings").BeginArray();
    for (const CheckRecord& r : CheckRecords(c)) {
      json.BeginObject();
      json.Key("figure").String(r.figure);
      json.Key("role").String(r.role);
      json.Key("clients");
      OptionalInt(json, r.clients);
      json.Key("threads");
      OptionalInt(json, r.threads);
      json.Key("finding").String(r.finding);
      json.Key("ratio").Real(r.ratio);
      json.Key("ratio_low").Real(r.low);
      json.Key("ratio_high").Real(r.high);
      json.Key("since_session");
      OptionalInt(json, r.sinceSession);
      json.Key("since_started").String(r.sinceStarted);
      json.Key("message").String(r.message);
      json.EndObject();
    }
    json.EndArray();
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  json.Finish();
}
