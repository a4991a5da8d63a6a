// Real sweeps of this machine, as the calibration replays them: every run
// of every sweep kept as its figures and what the machine did during it
// (bench/calibration/sweeps.csv, made from run folders by
// `drives-calibration extract FOLDER...`), and inputs made by drawing runs
// of one sweep at random, which keeps the runs' real distributions (slow
// phases and the two-valued bulk write included) and nothing of their
// order: stable inputs of known truth.
#ifndef DRIVES_BENCH_CALIBRATION_REPLAY_H_
#define DRIVES_BENCH_CALIBRATION_REPLAY_H_

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "conclusions/run_values.h"
#include "runs/manifest.h"
#include "statistics/random.h"

struct RealRun {
  std::string sweep;
  int threads = 0;
  std::vector<double> figures;  // as RunValues::figures orders them
  RunEntry entry;               // its wall time, other CPU, steal, probes
};

// Writes the runs of the run folders in `folders` as CSV.
bool ExtractSweeps(const std::vector<std::string>& folders, std::ostream& out,
                   std::string& error);

// Reads that CSV back; none where it cannot be read.
std::optional<std::vector<RealRun>> LoadSweeps(const std::string& path);

// The runs of every sweep that the disturbance rule leaves unmarked, each
// sweep renamed "NAME, undisturbed": a steady machine's runs.
std::vector<RealRun> Undisturbed(const std::vector<RealRun>& runs);

// The names of the sweeps in `runs`, in order of first appearance.
std::vector<std::string> SweepNames(const std::vector<RealRun>& runs);

// An input of `n` runs at every thread count of sweep `sweep`, each drawn
// at random from that sweep's runs at that count.
std::vector<RunValues> Replay(const std::vector<RealRun>& runs,
                              const std::string& sweep, std::size_t n,
                              Random& random);

// The input of `n` consecutive rounds of sweep `sweep` from round `start`
// (0 the first) on, at every thread count, in the order they were made: the
// machine's phases kept. None where the sweep has fewer rounds.
std::optional<std::vector<RunValues>> ReplayInOrder(
    const std::vector<RealRun>& runs, const std::string& sweep, std::size_t n,
    std::size_t start);

// The figures of the bulk write (one thread, all threads, improvement) of
// every column, alone or left out: it is two-valued on this machine.
std::vector<RunValues> BulkWriteOnly(std::vector<RunValues> input);
std::vector<RunValues> WithoutBulkWrite(std::vector<RunValues> input);

// `n` runs of the sweep drawn in the same way, as a manifest's entries: for
// the disturbance rule.
std::vector<RunEntry> ReplayEntries(const std::vector<RealRun>& runs,
                                    const std::string& sweep, std::size_t n,
                                    Random& random);

#endif  // DRIVES_BENCH_CALIBRATION_REPLAY_H_
