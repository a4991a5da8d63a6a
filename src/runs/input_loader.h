// One input as every reader takes it (the report, the history, the end of a
// sweep): a run folder, or a results file or transcript read as a folder of
// one run, its disturbed runs marked by the one rule the caller holds.
#ifndef DRIVES_RUNS_INPUT_LOADER_H_
#define DRIVES_RUNS_INPUT_LOADER_H_

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "results/input_text.h"
#include "runs/run_folder.h"

// Marks a folder's disturbed runs, whatever its manifest says: the rule the
// reports draw their conclusions by.
using DisturbanceRule =
    std::function<void(const Manifest& manifest, std::vector<RunMark>& marks)>;

struct LoadedInput {
  bool folder = false;  // a run folder; else one file, its one run
  // A file's run as a folder's: its record, marked run 1, not disturbed,
  // with no clients, its text's fingerprint where asked for; no manifest.
  RunFolder runs;
};

// Loads inputs, each with the rule's marks. Where it keeps them, each is
// read once and handed out again after: a sweep's folder, read for its
// report and for the history. A file's fingerprint (which the history
// keeps, and a report of thousands of files need not compute) is taken
// where `fingerprint` asks.
class InputLoader {
 public:
  InputLoader(DisturbanceRule rule, bool keep, bool fingerprint = true);

  // Loads `source` into `input`; false with `error` set when it cannot be
  // read (a folder's runs that cannot be are left out, in `runs.leftOut`).
  bool Load(const std::string& source, LoadedInput& input, InputError& error);

 private:
  struct Kept {
    bool read = false;
    LoadedInput input;
    InputError error;
  };

  DisturbanceRule rule_;
  bool keep_;
  bool fingerprint_;
  std::string text_;  // one buffer for every input
  std::map<std::string, Kept> kept_;
};

#endif  // DRIVES_RUNS_INPUT_LOADER_H_
