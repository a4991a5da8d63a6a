// What `history check` says of a drive, as words: its heading, its lines
// (depth 1 for a finding, 2 for a figure under a series' line), and each
// finding as the record --record keeps and CSV and JSON show.
#ifndef DRIVES_REPORTERS_CHECK_TEXT_H_
#define DRIVES_REPORTERS_CHECK_TEXT_H_

#include <string>
#include <vector>

#include "conclusions/history_check.h"

struct CheckLine {
  int depth = 1;
  std::string text;
};

// "Drive ssd on lab-7: 12 sessions, judged from session 9 on (a change
// accepted there)".
std::string CheckHeading(const DriveCheck& check);
std::vector<CheckLine> CheckLines(const DriveCheck& check);
std::vector<CheckRecord> CheckRecords(const DriveCheck& check);

// Said where the history holds no drive to check.
constexpr char kNothingToCheck[] = "The history holds no session yet.";

#endif  // DRIVES_REPORTERS_CHECK_TEXT_H_
