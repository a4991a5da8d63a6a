#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include "cli/messages.h"
#include "reporters/reporter.h"

namespace {

constexpr char kDescription[] =
    "Reads results files and console transcripts of drives64 and drives32, "
    "checks them, and shows them side by side or exports them.";

constexpr char kRunDescription[] =
    "Runs the benchmark repeatedly, for each thread count, interleaved, and "
    "keeps every run's results file, console transcript and standard error "
    "in a run folder with a manifest; then shows every figure's statistics.";

constexpr char kRunFooter[] =
    "The benchmark is drives64 (drives32 for a 32-bit drives-report) beside "
    "this program, else the one on the PATH, else --program. It gets "
    "OMP_NUM_THREADS for each thread count and an Enter on standard input.\n\n"
    "Exit status: 0 when every run succeeded; 1 when some run failed, was "
    "killed or timed out (the sweep goes on); 2 when the sweep could not "
    "start or go on (no such directory or program, a folder that cannot be "
    "written, a program that is not the benchmark); 130 when interrupted. "
    "What was finished is kept in the folder either way.";

constexpr char kFooter[] =
    "Each INPUT is a results file (results_drives_64.txt, "
    "results_drives_32.txt), a saved console transcript (drives64 > "
    "console.txt), or a run folder that 'drives-report run' made; - reads "
    "standard input. Lines out of place and figures that disagree with each "
    "other are reported as warnings on standard error; the inputs are still "
    "compared. Where runs were repeated, every figure shows its statistics; "
    "one whose coefficient of variation is above 10% is marked noisy.\n\n"
    "Exit status: 0 when every input was read; 1 when, under --strict, an "
    "input had findings or ended early; 2 when an input could not be read at "
    "all, the report could not be written, or the command line is wrong.";

}  // namespace

std::optional<int> ParseCommandLine(int argc, char** argv,
                                    CommandLine& commandLine) {
  ReportOptions& report = commandLine.report;
  SweepOptions& sweep = commandLine.sweepOptions;
  CLI::App app(kDescription, kReportProgram);
  app.footer(kFooter);
  // Paths may start with '/' on every platform; options are --name only.
  app.allow_windows_style_options(false);
  CLI::App* run = app.add_subcommand("run", kRunDescription);
  run->footer(kRunFooter);
  run->add_option("--runs", sweep.runs, "Runs per thread count (default: 3)")
      ->check(CLI::PositiveNumber);
  run->add_option("--threads", sweep.threads,
                  "Thread counts, for example 1,2,4,8,16 (default: the "
                  "runtime's default, as a plain run gets)")
      ->delimiter(',')
      ->check(CLI::PositiveNumber);
  run->add_option("--dir", sweep.directory,
                  "Where the benchmark runs: a directory on the drive to be "
                  "measured (default: the current directory)");
  run->add_option("--program", sweep.program, "The benchmark program to run");
  run->add_option("--out", sweep.out,
                  "The run folder, which must be new (default: "
                  "drives-runs-<date>-<time> here)");
  run->add_flag("--drop-caches", sweep.dropCaches,
                "Flush and drop the file cache before each run (Linux, as "
                "root); refused where the platform cannot");
  run->add_option("--timeout", sweep.timeoutSeconds,
                  "Seconds a run may take before it is ended (default: 1800)")
      ->check(CLI::PositiveNumber);
  app.set_version_flag("--version",
                       std::string(kReportProgram) + " " + DRIVES_VERSION);
  app.add_option("INPUT", report.inputs,
                 "Results files, transcripts or run folders");
  app.add_option("--format", report.format, "Output format (default: table)")
      ->check(CLI::IsMember(ReportFormats()));
  app.add_option("--label", report.labels,
                 "Column label of the next input in order; repeat it for "
                 "each (default: a short unique form of the path)")
      ->allow_extra_args(false)
      ->take_all();
  app.add_option("--baseline", report.baseline,
                 "The input (1 for the first) that the others are divided "
                 "by (default: 1)")
      ->check(CLI::PositiveNumber);
  app.add_flag("--strict", report.strict,
               "Make any finding or early end an error: that input is left "
               "out and the exit status is 1");
  app.add_option("-o,--output", report.output,
                 "Write the report to FILE, whole or not at all, instead of "
                 "standard output");
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& success) {
    return app.exit(success);
  } catch (const CLI::ParseError& error) {
    PrintError(error.what());
    std::cerr << "Run with --help for more information.\n";
    return kUnreadable;
  }
  commandLine.sweep = run->parsed();
  if (commandLine.sweep) {
    sweep.command.assign(argv, argv + argc);
    return std::nullopt;
  }
  if (report.inputs.empty()) {
    PrintError("no INPUT given");
    std::cerr << "Run with --help for more information.\n";
    return kUnreadable;
  }
  if (report.labels.size() > report.inputs.size()) {
    PrintError("more labels (" + std::to_string(report.labels.size()) +
               ") than inputs (" + std::to_string(report.inputs.size()) + ")");
    return kUnreadable;
  }
  if (report.baseline && *report.baseline > report.inputs.size()) {
    PrintError("--baseline " + std::to_string(*report.baseline) +
               ": there are only " + std::to_string(report.inputs.size()) +
               " inputs");
    return kUnreadable;
  }
  return std::nullopt;
}
