#include "reporters/csv_text.h"

#include <charconv>
#include <cmath>

#include "messages/utf8_text.h"

std::string CsvNumber(const std::optional<double>& value) {
  if (!value) return "";
  if (std::isnan(*value)) return "nan";
  if (std::isinf(*value)) return *value > 0 ? "inf" : "-inf";
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, *value);
  return std::string(text, result.ptr);
}

std::string CsvField(const std::string& given) {
  const bool formula =
      !given.empty() &&
      std::string("=+-@\t\r").find(given.front()) != std::string::npos;
  if (!formula && PrintableAsIs(given) &&
      given.find_first_of(",\"") == std::string::npos) {
    return given;
  }
  // A spreadsheet takes text that begins so as a formula, quoted or not: a
  // leading apostrophe keeps it text. Control characters and stray bytes are
  // shown escaped, as on a terminal.
  const std::string plain = Printable(given);
  std::string text = formula ? "'" + plain : plain;
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}
