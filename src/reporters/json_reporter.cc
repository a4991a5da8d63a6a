#include "reporters/json_reporter.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "reporters/columns.h"
#include "reporters/figure_rows.h"
#include "results/figures.h"
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

Json RunJson(const RunRecord& run) {
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
  return {{"source", run.source},
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

// Every compared figure's statistics over each of the input's columns.
Json StatisticsJson(const std::vector<Column>& columns, std::size_t input) {
  Json statistics = Json::array();
  for (const Column& column : columns) {
    if (column.input != input) continue;
    Json figures = Json::object();
    for (const FigureRow& row : ComparedFigures()) {
      if (!row.Compares()) continue;
      const Summary s = column.Of(row);
      Json figure = {{"unit", row.Unit()}, {"runs", s.runs}};
      if (s.runs > 0) {
        figure.update({{"median", Number(s.median)},
                       {"min", Number(s.min)},
                       {"max", Number(s.max)},
                       {"mean", Number(s.mean)},
                       {"sd", Number(s.sd)},
                       {"cv", Number(s.cv)},
                       {"noisy", s.Noisy()}});
      }
      figures[row.Key()] = std::move(figure);
    }
    statistics.push_back(
        {{"threads", column.threads ? Json(*column.threads) : Json()},
         {"runs", column.runs.size()},
         {"figures", std::move(figures)}});
  }
  return statistics;
}

}  // namespace

void JsonReporter::Write(const Comparison& comparison,
                         std::ostream& out) const {
  const std::vector<Column> columns = ComparisonColumns(comparison);
  Json inputs = Json::array();
  for (std::size_t i = 0; i < comparison.inputs.size(); ++i) {
    const ReportInput& input = comparison.inputs[i];
    Json runs = Json::array();
    for (const RunRecord& run : input.runs) runs.push_back(RunJson(run));
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
      {"inputs", std::move(inputs)},
      {"errors", std::move(errors)}};
  // Replaces bytes that are not UTF-8 (paths may hold any) rather than
  // failing.
  out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}
