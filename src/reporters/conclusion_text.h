// What the rules concluded about an input, in words: the warnings that
// standard error carries, and the messages of JSON's conclusions.
#ifndef DRIVES_REPORTERS_CONCLUSION_TEXT_H_
#define DRIVES_REPORTERS_CONCLUSION_TEXT_H_

#include <string>
#include <vector>

#include "comparison/columns.h"
#include "comparison/comparison.h"
#include "conclusions/conclusions.h"

struct ConclusionText {
  Rule rule;
  std::string text;  // starts with the input's label
};

// Every conclusion about input `input` that is said in words, in order:
// too few runs, a busy machine, runs that are not independent, a drift,
// the first run, outlying runs.
std::vector<ConclusionText> InputConclusionTexts(
    const Comparison& comparison, const std::vector<Column>& columns,
    const Conclusions& conclusions, std::size_t input);

// Of the comparison as a whole, where there is any: settled and unsettled
// inputs compared (kSettle).
std::vector<ConclusionText> ComparisonConclusionTexts(
    const Comparison& comparison, const Conclusions& conclusions);

// "the machine was busy throughout: other processes used 0.9 cores ..."
std::string BusyText(const InputConclusions& found);

// "ssd, 2 threads"
std::string ColumnName(const Comparison& comparison, const Column& column);

#endif  // DRIVES_REPORTERS_CONCLUSION_TEXT_H_
