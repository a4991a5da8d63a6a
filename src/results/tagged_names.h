// The names that carry a build's word-size tag, for either tag: drives-report
// reads the output of both builds and looks for either program.
#ifndef DRIVES_RESULTS_TAGGED_NAMES_H_
#define DRIVES_RESULTS_TAGGED_NAMES_H_

#include <array>
#include <string>

constexpr std::array<int, 2> kWordSizeTags = {64, 32};

std::string ProgramName(int tag);      // "drives64"
std::string ResultsFileName(int tag);  // "results_drives_64.txt"
std::string TitleLine(int tag);        // the banner's first line

#endif  // DRIVES_RESULTS_TAGGED_NAMES_H_
