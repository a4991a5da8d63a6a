#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <exception>
#include <sstream>
#include <string>

#include "cli/labels.h"
#include "history/server_location.h"
#include "messages/messages.h"
#include "parallel/thread_team.h"
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
    "OMP_NUM_THREADS for each thread count and an Enter on standard input. "
    "Every run is bracketed by a short probe of the machine (a memory copy, "
    "a small write and read in --dir); a run whose probes are clearly "
    "slower than the sweep's fastest is marked disturbed.\n\n"
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
    "compared. Where runs were repeated, every figure shows its median and "
    "\u00b1, the half-width of the median's confidence interval over the "
    "median. Every input other than the baseline gets a verdict per figure "
    "and thread count: the ratio to the baseline with its 95% interval, "
    "and faster, slower, the same within --min-effect, too few runs to tell, "
    "or no clear difference with the runs a side that would tell.\n\n"
    "Exit status: 0 when every input was read; 1 when, under --strict, an "
    "input had findings or ended early; 2 when an input could not be read at "
    "all, a comparison could not be made, the report could not be written, "
    "or the command line is wrong.";

constexpr char kHistoryDescription[] =
    "Lists the drives in the history and their sessions. Every sweep of "
    "'drives-report run' is kept there (unless --no-history), and 'history "
    "add' adds results made earlier or elsewhere.";

constexpr char kHistoryFooter[] =
    "The history is one SQLite file: --history FILE, else $DRIVES_HISTORY, "
    "else $XDG_DATA_HOME/drives/history.sqlite (~/.local/share/... without "
    "it; %LOCALAPPDATA%\\drives\\history.sqlite on Windows). A drive is "
    "the file system a benchmark ran on, on its machine (its UUID, else its "
    "device and file-system ID; the volume serial number on Windows); "
    "--drive NAME names it, and groups what you say is one drive.\n\n"
    "Exit status: 0 when done; 2 when the history could not be read or "
    "written (not a SQLite database, damaged, from a newer version, locked) "
    "or an input could not be read; 3 from 'history check' when a figure's "
    "latest level is a lasting change for the slower.";

// "90", "90s", "15m", "2h", "1.5h" in seconds; none if it is not one.
std::optional<double> ParseDuration(const std::string& text) {
  std::size_t used = 0;
  double value = 0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const std::string unit = text.substr(used);
  double scale = 0;
  if (unit.empty() || unit == "s") scale = 1;
  if (unit == "m") scale = 60;
  if (unit == "h") scale = 3600;
  if (scale == 0 || !(value > 0) || !std::isfinite(value)) return std::nullopt;
  return value * scale;
}

// What the options give before the command line takes it: per cent where
// the command line keeps fractions, and words still to be split.
struct Given {
  double minEffectPercent = 5;
  double historyEffectPercent = 5;
  std::optional<double> precisionPercent;
  std::string maxTime;
  std::string mpirunArguments;
  std::string control;  // --control [DIR]
  CLI::Option* controlOption = nullptr;
  bool noCeiling = false;
};

// The report of the inputs given: drives-report INPUT...
void AddReportOptions(CLI::App& app, ReportOptions& report, Given& given) {
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
  app.add_option("--min-effect", given.minEffectPercent,
                 "The smallest difference that matters, in per cent: "
                 "comparisons within it are the same (default: 5)")
      ->check(CLI::Range(0.0, 100.0));
  app.add_flag("--details", report.details,
               "Show every statistic of repeated runs (runs, interval, min, "
               "max, mean, sd, cv, outliers) and every verdict in full, not "
               "only the median, its \u00b1 and the verdict in a few words");
  app.add_flag("--exclude-disturbed", report.excludeDisturbed,
               "Leave out the runs marked disturbed (the machine was busy "
               "with something else), where enough runs are left");
  app.add_flag("--strict", report.strict,
               "Make any finding or early end an error: that input is left "
               "out and the exit status is 1");
  app.add_option("-o,--output", report.output,
                 "Write the report to FILE, whole or not at all, instead of "
                 "standard output");
}

// drives-report run: the sweep.
CLI::App* AddRunCommand(CLI::App& app, SweepOptions& sweep, Given& given) {
  CLI::App* run = app.add_subcommand("run", kRunDescription);
  run->footer(kRunFooter);
  CLI::Option* runs = run->add_option("--runs", sweep.runs,
                                      "Runs per thread count (default: 3)")
                          ->check(CLI::PositiveNumber);
  run->add_option("--precision", given.precisionPercent,
                  "Repeat in rounds, each thread count once per round in a "
                  "fresh random order, until every figure's \u00b1 (the "
                  "half-width of its median's confidence interval) is within "
                  "PCT per cent, at least 6 rounds")
      ->check(CLI::Range(0.01, 100.0))
      ->excludes(runs);
  run->add_option("--max-runs", sweep.maxRuns,
                  "With --precision, at most this many runs per thread count "
                  "(default: 30)")
      ->check(CLI::Range(kFewestRounds, 100000));
  run->add_option("--max-time", given.maxTime,
                  "Start no run after this long: seconds, or a number with "
                  "s, m or h (90m, 2h)");
  run->add_option("--seed", sweep.seed,
                  "With --precision, the seed of the rounds' random orders "
                  "(default: a random one, kept in the manifest)");
  run->add_option("--clients", sweep.clients,
                  "Client counts, for example 1,2,4: each run starts that "
                  "many copies of the benchmark at once through mpirun, one "
                  "per slot of --hostfile (default: all here), in --dir, "
                  "which they all must reach")
      ->delimiter(',')
      ->check(CLI::PositiveNumber);
  run->add_option("--hostfile", sweep.hostfile,
                  "With --clients, mpirun's hostfile: where the clients run");
  run->add_option("--mpirun", sweep.mpirun,
                  "With --clients, the mpirun to use (default: the PATH's)");
  run->add_option("--mpirun-args", given.mpirunArguments,
                  "With --clients, more arguments for mpirun, in one word "
                  "(\"--oversubscribe --bind-to none\")");
  run->add_option("--warmup", sweep.warmup,
                  "Runs per thread count made first and left out of every "
                  "statistic (default: 0)")
      ->check(CLI::NonNegativeNumber);
  run->add_flag("--settle", sweep.settle,
                "Before each run, flush written data to disk and wait until "
                "little is left to write (Linux); this changes what the "
                "write figures measure, and the runs are marked");
  run->add_option("--threads", sweep.threads,
                  "Thread counts, for example 1,2,4,8,16 (default: the "
                  "runtime's default, as a plain run gets)")
      ->delimiter(',')
      ->check(CLI::PositiveNumber);
  run->add_option("--dir", sweep.directories,
                  "Where the benchmark runs: a directory on the drive to be "
                  "measured (default: the current directory); give it again "
                  "for more drives, each run in every round, compared paired "
                  "by round")
      ->allow_extra_args(false);
  run->add_option("--dir-label", sweep.labels,
                  "The label of the next --dir, in the same order (default: "
                  "a short form of its path)")
      ->allow_extra_args(false);
  given.controlOption =
      run->add_option("--control", given.control,
                      "Run the benchmark in every round in a memory-backed "
                      "directory too (default: /dev/shm on Linux), paired "
                      "with the drive's run: what the machine does, apart "
                      "from the drive")
          ->expected(0, 1);
  run->add_flag("--no-ceiling", given.noCeiling,
                "Do not measure the drive's own ceiling (direct I/O, fsync; "
                "about 7 s) before the sweep");
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
  return run;
}

// The options every command of the history takes.
void AddHistoryFile(CLI::App* command, HistoryOptions& history,
                    const char* drive) {
  command->add_option("--history", history.path,
                      "The history file (default: $DRIVES_HISTORY, else "
                      "the user's data folder)");
  command->add_option("--drive", history.drive, drive);
}

void AddMinEffect(CLI::App* command, Given& given) {
  command
      ->add_option("--min-effect", given.historyEffectPercent,
                   "The smallest change that matters, in per cent "
                   "(default: 5)")
      ->check(CLI::Range(0.0, 100.0));
}

constexpr char kDriveToShow[] = "The drive to show or check, by its name";

// The filter of the commands that read the history.
void AddMachine(CLI::App* command, HistoryOptions& history) {
  command->add_option("--machine", history.machine,
                      "Only the drives of this machine, by its host name");
}

// drives-report history add INPUT...
CLI::App* AddHistoryAdd(CLI::App* history, HistoryOptions& h) {
  CLI::App* add = history->add_subcommand(
      "add",
      "Adds results files, console transcripts and run folders to the "
      "history; the same input twice is added once");
  AddHistoryFile(add, h,
                 "The name of the drive the sessions are kept under "
                 "(default: the file system's own)");
  add->add_option("INPUT", h.inputs,
                  "Results files, transcripts or run folders")
      ->required();
  return add;
}

// drives-report history show
CLI::App* AddHistoryShow(CLI::App* history, HistoryOptions& h, Given& given) {
  CLI::App* show = history->add_subcommand(
      "show",
      "Shows one drive's figures session by session: each session's median "
      "and interval per figure and thread count, and the lasting changes");
  AddHistoryFile(show, h, kDriveToShow);
  AddMachine(show, h);
  show->add_option("--since", h.since,
                   "Only the sessions from this date on (2026-12-01)");
  show->add_option("--format", h.format, "Output format (default: table)")
      ->check(CLI::IsMember(ReportFormats()));
  show->add_option("-o,--output", h.output,
                   "Write to FILE, whole or not at all");
  AddMinEffect(show, given);
  return show;
}

// drives-report history check
CLI::App* AddHistoryCheck(CLI::App* history, HistoryOptions& h, Given& given) {
  CLI::App* check = history->add_subcommand(
      "check",
      "Judges each drive's history session by session, in series of like "
      "conditions: one line per figure whose latest level is a lasting "
      "change, slower (exit status 3), faster or recovered; with too few "
      "sessions, the latest against the one before");
  AddHistoryFile(check, h, kDriveToShow);
  AddMachine(check, h);
  AddMinEffect(check, given);
  check->add_option("--format", h.format, "Output format (default: table)")
      ->check(CLI::IsMember(ReportFormats()));
  check->add_flag("--record", h.record,
                  "Keep the findings in the history's checks table, for "
                  "dashboards (a writer's right)");
  return check;
}

// drives-report history init | push FILE | pull FILE
CLI::App* AddHistoryServer(CLI::App* history, HistoryOptions& h,
                           CLI::App*& push, CLI::App*& pull) {
  CLI::App* init = history->add_subcommand(
      "init",
      "Makes the history ready: on a PostgreSQL server (--history "
      "postgresql://...), its tables, and says the grants a writer and a "
      "reader need");
  AddHistoryFile(init, h, kDriveToShow);
  push = history->add_subcommand(
      "push",
      "Copies the sessions of the history file FILE into the history "
      "(--history: the fleet's server), each once");
  AddHistoryFile(push, h, kDriveToShow);
  push->add_option("FILE", h.inputs, "A history file (.sqlite)")
      ->required()
      ->expected(1);
  pull = history->add_subcommand(
      "pull",
      "Copies the sessions of the history (--history: a server) into the "
      "history file FILE, each once");
  AddHistoryFile(pull, h, kDriveToShow);
  pull->add_option("FILE", h.inputs, "A history file (.sqlite)")
      ->required()
      ->expected(1);
  return init;
}

// drives-report history accept --drive NAME --since SESSION
CLI::App* AddHistoryAccept(CLI::App* history, HistoryOptions& h) {
  CLI::App* accept = history->add_subcommand(
      "accept",
      "Marks a drive's change as known: the check judges from session "
      "SESSION on, its level the first");
  AddHistoryFile(accept, h, "The drive whose change it is, by its name");
  AddMachine(accept, h);
  accept
      ->add_option("--since", h.sinceSession,
                   "The first session of the new level")
      ->required();
  return accept;
}

// drives-report history remove SESSION...
CLI::App* AddHistoryRemove(CLI::App* history, HistoryOptions& h) {
  CLI::App* remove = history->add_subcommand(
      "remove",
      "Deletes sessions that were wrong (a run on the wrong disk), all of "
      "them or, where one is not there, none");
  AddHistoryFile(remove, h, kDriveToShow);
  remove->add_option("SESSION", h.sessions, "The sessions, by number")
      ->required();
  return remove;
}

// What a sweep's options give, once parsed; an exit status where they are
// wrong (said already).
std::optional<int> FinishRun(const Given& given, int argc, char** argv,
                             SweepOptions& sweep) {
  if (given.precisionPercent) sweep.precision = *given.precisionPercent / 100;
#ifndef DRIVES_HAVE_MPI
  if (!sweep.clients.empty()) {
    PrintError(
        "--clients needs MPI, and this drives-report was built without it "
        "(on Linux, build it where CMake finds Open MPI: libopenmpi-dev)");
    return kUnreadable;
  }
#endif
  std::istringstream words(given.mpirunArguments);
  for (std::string word; words >> word;) {
    sweep.mpirunArguments.push_back(word);
  }
  if (!given.maxTime.empty()) {
    sweep.maxTimeSeconds = ParseDuration(given.maxTime);
    if (!sweep.maxTimeSeconds) {
      PrintError("--max-time " + given.maxTime +
                 ": not a duration (seconds, or a number with s, m or h)");
      return kUnreadable;
    }
  }
  if (given.controlOption != nullptr && given.controlOption->count() > 0) {
    sweep.control = given.control;
  }
  sweep.ceiling = !given.noCeiling;
  if (sweep.labels.size() >
      std::max<std::size_t>(1, sweep.directories.size())) {
    PrintError("more --dir-label (" + std::to_string(sweep.labels.size()) +
               ") than --dir (" + std::to_string(sweep.directories.size()) +
               ")");
    return kUnreadable;
  }
  const std::vector<std::string> labels =
      ShortLabels(sweep.directories.empty() ? std::vector<std::string>{"."}
                                            : sweep.directories);
  for (std::size_t d = sweep.labels.size(); d < labels.size(); ++d) {
    sweep.labels.push_back(labels[d]);
  }
  // A password in a server's connection string is never kept.
  for (int i = 0; i < argc; ++i) {
    sweep.command.push_back(MaskCommandWord(argv[i]));
  }
  return std::nullopt;
}

// drives-report device [DIR]
CLI::App* AddDeviceCommand(CLI::App& app, DeviceOptions& device) {
  CLI::App* command = app.add_subcommand(
      "device",
      "Measures the drive under DIR (default: here) with the cache out of "
      "the way, as a sweep does first: a direct-I/O write and read, a "
      "buffered write ended by fsync, small files each synced, and as many "
      "streams at once as a team; and what the system tells of the device");
  command->add_option("DIR", device.directory,
                      "A directory on the drive (a folder named device: "
                      "./device)");
  command
      ->add_option("--threads", device.streams,
                   "Streams at once for a team's ceiling (default: the "
                   "machine's cores, up to 16)")
      ->check(CLI::Range(1, kMaxThreadCount));
  command->add_option("--format", device.format, "table (default) or json")
      ->check(CLI::IsMember({"table", "json"}));
  return command;
}

// The report's inputs and labels, once parsed.
std::optional<int> FinishReport(const ReportOptions& report) {
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
  return std::nullopt;
}

}  // namespace

std::optional<int> ParseCommandLine(int argc, char** argv,
                                    CommandLine& commandLine) {
  Given given;
  given.minEffectPercent = commandLine.report.minEffect * 100;
  given.historyEffectPercent = commandLine.history.minEffect * 100;
  CLI::App app(kDescription, kReportProgram);
  app.footer(kFooter);
  // Paths may start with '/' on every platform; options are --name only.
  app.allow_windows_style_options(false);
  app.set_version_flag("--version",
                       std::string(kReportProgram) + " " + DRIVES_VERSION);
  AddReportOptions(app, commandLine.report, given);
  CLI::App* run = AddRunCommand(app, commandLine.sweepOptions, given);
  CLI::App* device = AddDeviceCommand(app, commandLine.device);
  HistoryOptions& h = commandLine.history;
  AddHistoryFile(run, h,
                 "The name of the drive the sessions are kept under "
                 "(default: the file system's own)");
  run->add_flag("--no-history", h.none, "Keep no session in the history");
  CLI::App* history = app.add_subcommand("history", kHistoryDescription);
  history->footer(kHistoryFooter);
  AddHistoryFile(history, h, kDriveToShow);
  AddMachine(history, h);
  CLI::App* add = AddHistoryAdd(history, h);
  CLI::App* show = AddHistoryShow(history, h, given);
  CLI::App* check = AddHistoryCheck(history, h, given);
  CLI::App* accept = AddHistoryAccept(history, h);
  CLI::App* remove = AddHistoryRemove(history, h);
  CLI::App* push = nullptr;
  CLI::App* pull = nullptr;
  CLI::App* init = AddHistoryServer(history, h, push, pull);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& success) {
    return app.exit(success);
  } catch (const CLI::ParseError& error) {
    PrintError(error.what());
    std::cerr << "Run with --help for more information.\n";
    return kUnreadable;
  }
  commandLine.report.minEffect = given.minEffectPercent / 100;
  h.minEffect = given.historyEffectPercent / 100;
  if (h.drive && h.drive->find_first_not_of(" \t\r\n") == std::string::npos) {
    PrintError("--drive: the drive's name is empty; give its name");
    return kUnreadable;
  }
  using Command = CommandLine::Command;
  if (history->parsed()) {
    commandLine.command = add->parsed()      ? Command::kHistoryAdd
                          : show->parsed()   ? Command::kHistoryShow
                          : check->parsed()  ? Command::kHistoryCheck
                          : accept->parsed() ? Command::kHistoryAccept
                          : remove->parsed() ? Command::kHistoryRemove
                          : init->parsed()   ? Command::kHistoryInit
                          : push->parsed()   ? Command::kHistoryPush
                          : pull->parsed()   ? Command::kHistoryPull
                                             : Command::kHistoryList;
    if (accept->parsed() && !h.drive) {
      PrintError("history accept: name the drive with --drive");
      return kUnreadable;
    }
    return std::nullopt;
  }
  if (device->parsed()) {
    commandLine.command = Command::kDevice;
    return std::nullopt;
  }
  if (run->parsed()) {
    commandLine.command = Command::kRun;
    return FinishRun(given, argc, argv, commandLine.sweepOptions);
  }
  return FinishReport(commandLine.report);
}
