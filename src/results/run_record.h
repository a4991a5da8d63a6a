// The record of one run of the benchmark, as drives-report reads it from a
// results file or a console transcript: every figure as printed, the line it
// stood on, and what the checks found. Rates are the benchmark's own:
// operations (file cycles or one-byte accesses) per second.
#ifndef DRIVES_RESULTS_RUN_RECORD_H_
#define DRIVES_RESULTS_RUN_RECORD_H_

#include <array>
#include <optional>
#include <string>
#include <vector>

enum class InputKind { kResultsFile, kConsole };

// The five figures of every run, measured once on one thread and once on
// every thread of the team, in the order the single-thread half prints them.
enum class Figure { kFiles, kByteWrite, kByteRead, kBulkRead, kBulkWrite };
constexpr int kFigureCount = 5;
constexpr std::array<Figure, kFigureCount> kFigures = {
    Figure::kFiles, Figure::kByteWrite, Figure::kByteRead, Figure::kBulkRead,
    Figure::kBulkWrite};

// The parts of a report in order: the banner, the six phases, the closing.
enum class Section {
  kBanner,
  kFiles,
  kByteWise,
  kBulk,
  kParallelFiles,
  kParallelByteWise,
  kParallelBulk,
  kClosing
};
constexpr int kSectionCount = 8;

// One timed measurement.
struct Measurement {
  double elapsed = 0;  // seconds
  double rate = 0;     // operations per second
  int line = 0;        // the line of its elapsed time
};

struct ThreadMeasurement {
  int thread = 0;
  Measurement measurement;
};

// One figure of a parallel phase: every thread's measurement in report order,
// then the total and its ratio to the single-thread rate, as printed.
struct TeamFigure {
  std::vector<ThreadMeasurement> threads;
  std::optional<double> total;        // operations per second
  std::optional<double> improvement;  // total / single-thread rate
  int totalLine = 0;
  int improvementLine = 0;
};

// A check that failed: a line that is not where the benchmark writes it, or
// a figure that does not agree with the others.
struct Finding {
  int line = 0;
  std::string check;
  std::string expected;
  std::string found;
};

// Where an input that ends early stops: the first line missing (or the last
// line, when it was cut off without its line end) and the section it is in.
struct Stop {
  int line = 0;
  Section section = Section::kBanner;
  bool lineCutOff = false;
};

struct RunRecord {
  std::string source;  // the path, or "-" for standard input
  InputKind kind = InputKind::kResultsFile;
  int tag = 0;                     // the word-size tag, 64 or 32
  std::optional<int> threadCount;  // "Thread(s): " as printed
  std::array<std::optional<Measurement>, kFigureCount> single;
  std::array<TeamFigure, kFigureCount> team;
  // "Unable to open file" lines (console only), by section.
  std::array<int, kSectionCount> unableToOpen{};
  std::optional<Stop> stop;  // set when the input ends early
  // The line each section starts on, where it was reached; 0 where not.
  std::array<int, kSectionCount> sectionLines{};
  // For the sum over the clients of a multi-client run: how many.
  std::optional<int> clients;
  std::vector<Finding> findings;
  // The benchmark's own warnings, where standard error went to the same
  // transcript as the console.
  std::vector<std::string> benchmarkWarnings;

  const std::optional<Measurement>& Single(Figure f) const {
    return single[static_cast<int>(f)];
  }
  const TeamFigure& Team(Figure f) const { return team[static_cast<int>(f)]; }
  bool Complete() const { return !stop.has_value(); }
};

#endif  // DRIVES_RESULTS_RUN_RECORD_H_
