// Numbers as the side-by-side table shows them: 3 significant digits, with
// thousands grouped ("110,000", "1,470", "157", "0.0228").
#ifndef DRIVES_REPORTERS_READABLE_NUMBER_H_
#define DRIVES_REPORTERS_READABLE_NUMBER_H_

#include <string>

std::string ReadableNumber(double value);
// A ratio to the baseline: "1.05x".
std::string ReadableRatio(double ratio);

#endif  // DRIVES_REPORTERS_READABLE_NUMBER_H_
