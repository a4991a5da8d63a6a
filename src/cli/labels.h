// The labels of the inputs' columns: for each path the shortest trailing
// part that tells it apart from the others ("ssd" and "hdd" for
// ssd/results_drives_64.txt and hdd/results_drives_64.txt).
#ifndef DRIVES_CLI_LABELS_H_
#define DRIVES_CLI_LABELS_H_

#include <string>
#include <vector>

// Standard input ("-") is labelled "stdin"; the same path given twice gets
// " (2)" on its second label.
std::vector<std::string> ShortLabels(const std::vector<std::string>& sources);

#endif  // DRIVES_CLI_LABELS_H_
