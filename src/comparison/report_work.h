// How much work a report did, counted rather than timed: the runs' values
// read and the columns visited (the comparisons looked up are counted by
// Conclusions itself). The suite makes
// reports of 1,000 and 4,000 inputs and checks that the counts grow no
// faster than the inputs, which no noisy machine can fool.
#ifndef DRIVES_COMPARISON_REPORT_WORK_H_
#define DRIVES_COMPARISON_REPORT_WORK_H_

struct ReportWork {
  long long values = 0;   // a run's value of a figure read
  long long columns = 0;  // a column visited to find another
};

// The counts since the program started, or since the last reset.
ReportWork& WorkDone();

#endif  // DRIVES_COMPARISON_REPORT_WORK_H_
