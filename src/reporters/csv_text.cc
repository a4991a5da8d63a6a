#include "reporters/csv_text.h"

#include <charconv>
#include <cmath>

std::string CsvNumber(const std::optional<double>& value) {
  if (!value) return "";
  if (std::isnan(*value)) return "nan";
  if (std::isinf(*value)) return *value > 0 ? "inf" : "-inf";
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, *value);
  return std::string(text, result.ptr);
}

std::string CsvField(const std::string& plain) {
  // A spreadsheet takes text that begins so as a formula, quoted or not: a
  // leading apostrophe keeps it text.
  const std::string text =
      !plain.empty() && std::string("=+-@\t\r").find(plain.front()) !=
                            std::string::npos
          ? "'" + plain
          : plain;
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}
