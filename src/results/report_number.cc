#include "results/report_number.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

// Longer numbers than any runtime prints for a double are not numbers.
constexpr std::size_t kMaxNumberLength = 32;
constexpr int kMaxIntegerDigits = 4;
constexpr int kMaxExponentDigits = 4;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) {
      return false;
    }
  }
  return true;
}

bool IsDigitsOrZeros(std::string_view text, bool zerosOnly) {
  for (const char c : text) {
    if (zerosOnly ? c != '0' : !IsDigit(c)) return false;
  }
  return true;
}

// "nan(ind)", "nan(snan)", "nan(0x7ff8...)": letters, digits and '_' inside.
bool IsNanPayload(std::string_view text) {
  if (text.size() < 2 || text.front() != '(' || text.back() != ')') {
    return false;
  }
  for (const char c : text.substr(1, text.size() - 2)) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

// Infinity or not-a-number in any of the runtimes' forms, without the sign.
std::optional<double> ParseNonFinite(std::string_view text) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
  if (EqualsIgnoringCase(text, "inf") || EqualsIgnoringCase(text, "infinity")) {
    return kInfinity;
  }
  if (text.size() >= 3 && EqualsIgnoringCase(text.substr(0, 3), "nan") &&
      (text.size() == 3 || IsNanPayload(text.substr(3)))) {
    return kNan;
  }
  // The older Windows runtimes: "1.#INF", "1.#IND", "1.#QNAN", "1.#SNAN",
  // with trailing zeros where a precision asked for digits.
  constexpr std::string_view kWindowsLead = "1.#";
  if (text.substr(0, kWindowsLead.size()) != kWindowsLead) return std::nullopt;
  const std::string_view word = text.substr(kWindowsLead.size());
  for (const auto& [name, value] :
       {std::pair<std::string_view, double>{"INF", kInfinity},
        {"IND", kNan},
        {"QNAN", kNan},
        {"SNAN", kNan}}) {
    if (word.substr(0, name.size()) == name &&
        IsDigitsOrZeros(word.substr(name.size()), true)) {
      return value;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<double> ParseReportNumber(std::string_view text,
                                        int decimalShift) {
  if (text.empty() || text.size() > kMaxNumberLength) return std::nullopt;
  const bool negative = text.front() == '-';
  const std::string_view unsignedText = text.substr(negative ? 1 : 0);
  if (const std::optional<double> nonFinite = ParseNonFinite(unsignedText)) {
    return negative ? -*nonFinite : *nonFinite;
  }

  // digits [. digits] [e|E [+|-] digits], with at least one mantissa digit.
  std::size_t pos = 0;
  std::size_t mantissaDigits = 0;
  auto skipDigits = [&] {
    std::size_t count = 0;
    while (pos < unsignedText.size() && IsDigit(unsignedText[pos])) {
      ++pos;
      ++count;
    }
    return count;
  };
  mantissaDigits += skipDigits();
  if (pos < unsignedText.size() && unsignedText[pos] == '.') {
    ++pos;
    mantissaDigits += skipDigits();
  }
  if (mantissaDigits == 0) return std::nullopt;
  const std::string_view mantissa = unsignedText.substr(0, pos);
  int exponent = 0;
  if (pos < unsignedText.size()) {
    if (unsignedText[pos] != 'e' && unsignedText[pos] != 'E') {
      return std::nullopt;
    }
    ++pos;
    bool negativeExponent = false;
    if (pos < unsignedText.size() &&
        (unsignedText[pos] == '+' || unsignedText[pos] == '-')) {
      negativeExponent = unsignedText[pos] == '-';
      ++pos;
    }
    const std::size_t digitsStart = pos;
    const std::size_t digits = skipDigits();
    if (digits == 0 || digits > kMaxExponentDigits ||
        pos != unsignedText.size()) {
      return std::nullopt;
    }
    std::from_chars(unsignedText.data() + digitsStart,
                    unsignedText.data() + pos, exponent);
    if (negativeExponent) exponent = -exponent;
  }

  // The shift goes into the exponent, so the decimal digits are rounded to a
  // double only once.
  char scaled[kMaxNumberLength + 16];
  char* end = std::copy(mantissa.begin(), mantissa.end(), scaled);
  *end++ = 'e';
  end = std::to_chars(end, scaled + sizeof scaled, exponent + decimalShift).ptr;
  double value = 0;
  const auto [parsed, error] = std::from_chars(scaled, end, value);
  if (error != std::errc() || parsed != end) return std::nullopt;
  return negative ? -value : value;
}

std::optional<int> ParseReportInteger(std::string_view text) {
  if (text.empty() || text.size() > kMaxIntegerDigits) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}
