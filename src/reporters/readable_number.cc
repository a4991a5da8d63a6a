#include "reporters/readable_number.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kSignificantDigits = 3;
// From here on, digits would only be zeros: exponent form.
constexpr int kLargestPlainExponent = 15;

// "1234567" -> "1,234,567"; the digits may follow a minus sign.
std::string GroupThousands(const std::string& digits) {
  const std::size_t start = digits[0] == '-' ? 1 : 0;
  std::string grouped = digits.substr(0, start);
  const std::size_t count = digits.size() - start;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) grouped += ',';
    grouped += digits[start + i];
  }
  return grouped;
}

}  // namespace

std::string ReadableNumber(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  if (value == 0) return "0";
  // The exponent after rounding to 3 significant digits: 999.6 is 1.00e+03.
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", kSignificantDigits - 1, value);
  const double rounded = std::strtod(text, nullptr);
  const int exponent = std::atoi(std::strchr(text, 'e') + 1);
  if (exponent > kLargestPlainExponent) return text;
  if (exponent >= kSignificantDigits - 1) {
    std::snprintf(text, sizeof text, "%.0f", rounded);
    return GroupThousands(text);
  }
  std::snprintf(text, sizeof text, "%.*f", kSignificantDigits - 1 - exponent,
                rounded);
  return text;
}

std::string ReadableRatio(double ratio) { return ReadableNumber(ratio) + "x"; }
