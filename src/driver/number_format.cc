#include "driver/number_format.h"

#include <cstdio>

namespace {

// Stored results files have always shown three exponent digits; C runtimes
// differ (two on glibc and MinGW), so the exponent is widened here.
constexpr std::size_t kExponentDigits = 3;

}  // namespace

std::string FormatNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  std::string number(text);
  const std::size_t e = number.find('e');
  if (e == std::string::npos) return number;
  const std::size_t digitsStart = e + 2;  // past the exponent's sign
  const std::size_t digits = number.size() - digitsStart;
  if (digits < kExponentDigits) {
    number.insert(digitsStart, kExponentDigits - digits, '0');
  }
  return number;
}

std::string FormatNumber(int value) { return std::to_string(value); }
