// Reads a run folder that drives-report run made: its manifest and the
// results of every run that finished.
#ifndef DRIVES_RUNS_RUN_FOLDER_H_
#define DRIVES_RUNS_RUN_FOLDER_H_

#include <string>
#include <vector>

#include "results/input_text.h"
#include "results/run_record.h"
#include "runs/client_results.h"
#include "runs/manifest.h"

// One client of a multi-client run: how its run went, and its console.
struct ClientDetail {
  ClientResult result;
  RunRecord record;
};

// What a report needs to know of a run beside its figures.
struct RunMark {
  int number = 0;          // its place in the sweep, from 1
  bool disturbed = false;  // its probes found the machine busy
  int round = 0;  // the sweep's round, from 1: what pairs the runs of two
                  // directories of one sweep; 0 where not known
};

struct RunFolder {
  Manifest manifest;
  std::vector<RunRecord> records;  // of the runs that finished, in run order
  std::vector<RunMark> marks;      // of each record
  // Of each record: the clients of a multi-client run (whose sum the
  // record is), else none.
  std::vector<std::vector<ClientDetail>> clients;
  int warmups = 0;           // warm-up runs, left out of the records
  std::string manifestText;  // manifest.json as it stands
  // Of the manifest and every record's text: the same folder twice has
  // the same fingerprint.
  std::string contentHash;
  // The runs left out and why, for people: "run 3 (2 threads) failed: ...".
  std::vector<std::string> leftOut;
};

// Whether `path` is a folder with a manifest.
bool IsRunFolder(const std::string& path);

// The directories of a sweep that ran in several (--dir A --dir B,
// --control), each with its run folder's path; none for any other folder.
std::vector<SweepDirectory> SweepDirectoriesOf(const std::string& path);

// Reads the folder at `path`; false with `error` set when its manifest
// cannot be read. A run whose results cannot be read is left out, with
// the reason; `text` is a buffer to reuse.
bool ReadRunFolder(const std::string& path, std::string& text,
                   RunFolder& folder, InputError& error);

#endif  // DRIVES_RUNS_RUN_FOLDER_H_
