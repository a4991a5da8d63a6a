#include "reporters/json_reporter.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "reporters/columns.h"
#include "reporters/figure_comparisons.h"
#include "results/figure_rows.h"
#include "results/figures.h"
#include "runs/concurrency.h"
#include "runs/manifest.h"
#include "statistics/summary.h"

namespace {

using Json = nlohmann::ordered_json;

// JSON has no infinity or not-a-number: those are the strings "inf", "-inf"
// and "nan". Finite values are the doubles the input printed, written back
// in their shortest exact form.
Json Number(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  return value;
}

Json Optional(const std::optional<double>& value) {
  return value ? Number(*value) : Json();
}

Json MeasurementJson(Figure figure, const Measurement& m) {
  Json json = {{"elapsed_s", Number(m.elapsed)},
               {"rate_per_s", Number(m.rate)}};
  if (IsTransfer(figure)) json["mb_per_s"] = Number(MegabytesPerSecond(m.rate));
  json["line"] = m.line;
  return json;
}

Json TeamJson(Figure figure, const TeamFigure& team) {
  Json threads = Json::array();
  for (const ThreadMeasurement& t : team.threads) {
    Json json = {{"thread", t.thread}};
    json.update(MeasurementJson(figure, t.measurement));
    threads.push_back(std::move(json));
  }
  Json json = {{"threads", std::move(threads)},
               {"total_per_s", Optional(team.total)}};
  if (IsTransfer(figure)) {
    json["total_mb_per_s"] =
        team.total ? Number(MegabytesPerSecond(*team.total)) : Json();
  }
  json["improvement"] = Optional(team.improvement);
  return json;
}

Json RunJson(const RunRecord& run, const RunMark& mark,
             const std::vector<ClientDetail>& clients) {
  Json single = Json::object();
  Json parallel = Json::object();
  for (const Figure figure : kFigures) {
    const auto& m = run.Single(figure);
    single[FigureKey(figure)] = m ? MeasurementJson(figure, *m) : Json();
    parallel[FigureKey(figure)] = TeamJson(figure, run.Team(figure));
  }
  Json unable = Json::object();
  for (const Section section :
       {Section::kByteWise, Section::kBulk, Section::kParallelByteWise,
        Section::kParallelBulk}) {
    unable[SectionKey(section)] = run.unableToOpen[static_cast<int>(section)];
  }
  Json stop;
  if (run.stop) {
    stop = {{"line", run.stop->line},
            {"section", SectionKey(run.stop->section)},
            {"line_cut_off", run.stop->lineCutOff}};
  }
  Json findings = Json::array();
  for (const Finding& f : run.findings) {
    findings.push_back({{"line", f.line},
                        {"check", f.check},
                        {"expected", f.expected},
                        {"found", f.found}});
  }
  Json clientRuns;
  Json concurrency;
  if (!clients.empty()) {
    clientRuns = Json::array();
    std::vector<ClientResult> results;
    std::vector<RunRecord> consoles;
    for (const ClientDetail& c : clients) {
      const ClientResult& r = c.result;
      clientRuns.push_back(
          {{"client", r.client},
           {"host", r.host},
           {"folder", r.folder},
           {"status", RunStatusName(r.status)},
           {"start", r.start},
           {"clock_offset_s", r.clockOffset},
           {"agent_cpu_s", r.agentCpuSeconds},
           {"agent_cpu_running_s", r.agentCpuRunning},
           {"wall_s", r.wallSeconds},
           {"run", RunJson(c.record, {mark.number, false}, {})}});
      results.push_back(r);
      consoles.push_back(c.record);
    }
    const Concurrency measured = MeasureConcurrency(results, consoles);
    Json overlap = Json::object();
    for (int s = 0; s < kSectionCount; ++s) {
      if (measured.overlap[s]) {
        overlap[SectionKey(static_cast<Section>(s))] = *measured.overlap[s];
      }
    }
    concurrency = {{"start_skew_s", measured.startSkew},
                   {"overlap", std::move(overlap)}};
  }
  return {{"source", run.source},
          {"number", mark.number},
          {"disturbed", mark.disturbed},
          {"clients", run.clients ? Json(*run.clients) : Json()},
          {"client_runs", std::move(clientRuns)},
          {"concurrency", std::move(concurrency)},
          {"kind", run.kind == InputKind::kConsole ? "console" : "results"},
          {"tag", run.tag},
          {"threads", run.threadCount ? Json(*run.threadCount) : Json()},
          {"complete", run.Complete()},
          {"stop", std::move(stop)},
          {"single", std::move(single)},
          {"parallel", std::move(parallel)},
          {"unable_to_open", std::move(unable)},
          {"findings", std::move(findings)},
          {"benchmark_warnings", run.benchmarkWarnings}};
}

Json FigureJson(const FigureRow& row, const FigureStatistics& f) {
  const Summary& s = f.summary;
  Json figure = {{"unit", row.Unit()}, {"runs", s.runs}};
  if (s.runs == 0) return figure;
  figure.update(
      {{"median", Number(s.median)},
       {"min", Number(s.min)},
       {"max", Number(s.max)},
       {"mean", Number(s.mean)},
       {"sd", Number(s.sd)},
       {"cv", Number(s.cv)},
       {"noisy", s.Noisy()},
       {"ci_low", f.interval ? Number(f.interval->low) : Json()},
       {"ci_high", f.interval ? Number(f.interval->high) : Json()},
       {"ci_coverage", f.interval ? Json(f.interval->coverage) : Json()},
       {"precision", Optional(f.precision)},
       {"outliers", f.outliers}});
  figure["trend"] = f.trend ? Json{{"rho", Number(f.trend->rho)},
                                   {"p_value", Number(f.trend->pValue)},
                                   {"significant", f.trend->Significant()}}
                            : Json();
  Json clusters;
  if (f.clusters) {
    for (const Cluster& c : {f.clusters->low, f.clusters->high}) {
      clusters.push_back(
          {{"median", Number(c.median)}, {"runs", c.runs}, {"share", c.share}});
    }
  }
  figure["clusters"] = std::move(clusters);
  return figure;
}

// Every compared figure's statistics over each of the input's columns.
Json StatisticsJson(const std::vector<Column>& columns, std::size_t input) {
  Json statistics = Json::array();
  for (const Column& column : columns) {
    if (column.input != input) continue;
    Json figures = Json::object();
    for (const FigureRow& row : ComparedFigures()) {
      if (!row.Compares()) continue;
      figures[row.Key()] = FigureJson(row, column.Describe(row));
    }
    statistics.push_back(
        {{"clients", column.clients ? Json(*column.clients) : Json()},
         {"threads", column.threads ? Json(*column.threads) : Json()},
         {"runs", column.runs.size()},
         {"figures", std::move(figures)}});
  }
  return statistics;
}

Json ComparisonsJson(const Comparison& comparison,
                     const std::vector<Column>& columns) {
  Json list = Json::array();
  for (const FigureComparison& f : comparison.comparisons) {
    const Column& column = columns[f.column];
    Json json = {
        {"input", comparison.inputs[column.input].label},
        {"baseline", comparison.inputs[columns[f.baseline].input].label},
        {"clients", column.clients ? Json(*column.clients) : Json()},
        {"threads", column.threads ? Json(*column.threads) : Json()},
        {"baseline_threads", columns[f.baseline].threads
                                 ? Json(*columns[f.baseline].threads)
                                 : Json()},
        {"figure", f.row.Key()},
        {"runs", f.runs},
        {"baseline_runs", f.baselineRuns}};
    if (f.estimate) {
      const RatioEstimate& e = *f.estimate;
      json.update({{"ratio", Number(e.ratio)},
                   {"ratio_low", Optional(e.low)},
                   {"ratio_high", Optional(e.high)},
                   {"p_value", Number(e.pValue)},
                   {"p_exact", e.exact},
                   {"p_adjusted", Number(f.pAdjusted)},
                   {"verdict", VerdictKey(f.verdict)}});
      if (f.verdict == Verdict::kInconclusive) {
        json["runs_to_settle"] = f.runsToSettle;
      }
    } else {
      json.update({{"ratio", nullptr},
                   {"ratio_low", nullptr},
                   {"ratio_high", nullptr},
                   {"p_value", nullptr},
                   {"p_adjusted", nullptr},
                   {"verdict", nullptr}});
    }
    list.push_back(std::move(json));
  }
  return list;
}

}  // namespace

void JsonReporter::Write(const Comparison& comparison,
                         std::ostream& out) const {
  const std::vector<Column> columns = ComparisonColumns(comparison);
  Json inputs = Json::array();
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    const ReportInput& input = comparison.inputs[i];
    Json runs = Json::array();
    for (std::size_t r = 0; r < input.runs.size(); ++r) {
      runs.push_back(RunJson(input.runs[r], input.marks[r], input.clients[r]));
    }
    inputs.push_back(
        {{"source", input.source},
         {"label", input.label},
         {"manifest",
          input.manifest ? ManifestToJson(*input.manifest) : Json()},
         {"runs", std::move(runs)},
         {"statistics", StatisticsJson(columns, i)}});
  }
  Json errors = Json::array();
  for (const InputFailure& failure : comparison.failures) {
    errors.push_back(
        {{"source", failure.source},
         {"line", failure.error.line > 0 ? Json(failure.error.line) : Json()},
         {"message", failure.error.message}});
  }
  const Json document = {
      {"schema", kJsonSchema},
      {"baseline", comparison.baseline
                       ? Json(comparison.inputs[*comparison.baseline].label)
                       : Json()},
      {"min_effect", comparison.minEffect},
      {"inputs", std::move(inputs)},
      {"comparisons", ComparisonsJson(comparison, columns)},
      {"errors", std::move(errors)}};
  // Replaces bytes that are not UTF-8 (paths may hold any) rather than
  // failing.
  out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

void JsonReporter::WriteHistory(const HistoryView& view,
                                std::ostream& out) const {
  Json sessions = Json::array();
  for (const SessionSummary& s : view.sessions) {
    sessions.push_back({{"session", s.id},
                        {"started", s.started},
                        {"program", s.program},
                        {"thread_counts", s.threadCounts},
                        {"runs", s.runs},
                        {"source", s.source},
                        {"machine", s.machine},
                        {"file_system", s.fileSystem}});
  }
  Json series = Json::array();
  for (const HistorySeries& one : view.series) {
    Json points = Json::array();
    for (const HistoryPoint& point : one.points) {
      Json json = FigureJson(one.row, point.statistics);
      json.erase("unit");
      json["session"] = view.sessions[point.session].id;
      points.push_back(std::move(json));
    }
    Json steps = Json::array();
    for (const Step& step : one.steps) {
      steps.push_back(
          {{"session", view.sessions[one.points[step.at].session].id},
           {"ratio", Number(step.ratio)}});
    }
    series.push_back({{"threads", one.threads ? Json(*one.threads) : Json()},
                      {"figure", one.row.Key()},
                      {"unit", one.row.Unit()},
                      {"points", std::move(points)},
                      {"steps", std::move(steps)}});
  }
  const Json document = {{"schema", kHistoryJsonSchema},
                         {"drive", view.drive},
                         {"min_effect", view.minEffect},
                         {"sessions", std::move(sessions)},
                         {"series", std::move(series)}};
  out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}
