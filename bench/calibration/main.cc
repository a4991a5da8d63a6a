// drives-calibration: how often every rule of drives-report flags stable
// runs (its false alarms) and finds real effects (its detection), on
// stand-in runs of chosen distributions and on real sweeps of this machine
// resampled, with fixed seeds; the cluster rule's thresholds; and the
// real sweeps' runs extracted from their run folders.
//   drives-calibration table [INPUTS [SWEEPS.csv]]
//   drives-calibration thresholds [SAMPLES [heavy]]
//   drives-calibration history [HISTORIES]  history check's table
//   drives-calibration history-phases [HISTORIES]  ... under lasting phases
//   drives-calibration change-thresholds [SAMPLES]
//   drives-calibration change-widening [SAMPLES [slope]]
//   drives-calibration far-thresholds [SAMPLES [DF]]  (DF 0: normal)
//   drives-calibration far-gate [SAMPLES]
//   drives-calibration phases [INPUTS]  heavy tails and lasting phases
//   drives-calibration extract FOLDER...
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "history_table.h"
#include "phases.h"
#include "replay.h"
#include "table.h"
#include "thresholds.h"

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "table";
  if (command == "thresholds") {
    const std::size_t samples =
        argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 10000000;
    WriteThresholdTable(samples, argc > 3 && std::string(argv[3]) == "heavy",
                        std::cout);
    return 0;
  }
  if (command == "history") {
    WriteHistoryTable(argc > 2 ? std::atoi(argv[2]) : 1000, std::cout);
    return 0;
  }
  if (command == "history-phases") {
    WriteSessionPhasesTable(argc > 2 ? std::atoi(argv[2]) : 1000, std::cout);
    return 0;
  }
  if (command == "phases") {
    const auto sweeps = LoadSweeps(DRIVES_SWEEPS_CSV);
    WritePhasesTable(argc > 2 ? std::atoi(argv[2]) : 2000,
                     sweeps.value_or(std::vector<RealRun>{}), std::cout);
    return 0;
  }
  if (command == "change-thresholds") {
    const std::size_t samples =
        argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 2000000;
    WriteChangeThresholdTable(samples, std::cout);
    return 0;
  }
  if (command == "change-widening") {
    WriteChangeWideningTable(
        argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 100000,
        argc > 3 && std::string(argv[3]) == "slope", std::cout);
    return 0;
  }
  if (command == "far-thresholds") {
    const std::size_t samples =
        argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1000000;
    WriteFarThresholdTable(samples, argc > 3 ? std::atoi(argv[3]) : 3,
                           std::cout);
    return 0;
  }
  if (command == "far-gate") {
    WriteFarGateTable(argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 200000,
                      std::cout);
    return 0;
  }
  if (command == "extract" && argc > 2) {
    std::string error;
    if (!ExtractSweeps({argv + 2, argv + argc}, std::cout, error)) {
      std::cerr << "drives-calibration: " << error << '\n';
      return 2;
    }
    return 0;
  }
  if (command == "table") {
    const int inputs = argc > 2 ? std::atoi(argv[2]) : 2000;
    const std::string path = argc > 3 ? argv[3] : DRIVES_SWEEPS_CSV;
    const auto sweeps = LoadSweeps(path);
    if (!sweeps) {
      std::cerr << "drives-calibration: " << path
                << ": no sweeps; the real-sweep rows are left out\n";
    }
    WriteTable(inputs, sweeps.value_or(std::vector<RealRun>{}), std::cout);
    return 0;
  }
  std::cerr << "usage: drives-calibration table [INPUTS [SWEEPS.csv]] | "
               "thresholds [SAMPLES] | extract FOLDER...\n";
  return 2;
}
