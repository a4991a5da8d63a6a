// How every number in the report is printed: floating values in the general
// notation with 6 significant digits and a three-digit exponent (2e+006),
// integers in plain decimal.
#ifndef DRIVES_DRIVER_NUMBER_FORMAT_H_
#define DRIVES_DRIVER_NUMBER_FORMAT_H_

#include <string>

std::string FormatNumber(double value);
std::string FormatNumber(int value);

#endif  // DRIVES_DRIVER_NUMBER_FORMAT_H_
