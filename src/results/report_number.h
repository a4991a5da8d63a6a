// Reads a number as the benchmark's report prints it: the C runtime's %g,
// in the forms different runtimes print (three- or two-digit exponents,
// "inf" and "nan", and the older Windows forms "1.#INF", "-1.#IND",
// "1.#QNAN").
#ifndef DRIVES_RESULTS_REPORT_NUMBER_H_
#define DRIVES_RESULTS_REPORT_NUMBER_H_

#include <optional>
#include <string_view>

// The value of `text` times 10^`decimalShift`, rounded once to the nearest
// double: "157.361" with a shift of 6 gives exactly 157361000. Nothing
// before, after or inside the number is allowed.
std::optional<double> ParseReportNumber(std::string_view text,
                                        int decimalShift = 0);

// A thread number or a thread count: plain decimal digits, at most four.
std::optional<int> ParseReportInteger(std::string_view text);

#endif  // DRIVES_RESULTS_REPORT_NUMBER_H_
