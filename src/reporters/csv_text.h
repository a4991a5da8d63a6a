// The text of one CSV field, for every CSV drives-report writes: quoted
// only where it must be, numbers in the shortest text that reads back
// as the same double.
#ifndef DRIVES_REPORTERS_CSV_TEXT_H_
#define DRIVES_REPORTERS_CSV_TEXT_H_

#include <optional>
#include <string>

// Empty for none; infinity and not-a-number as pandas reads them.
std::string CsvNumber(const std::optional<double>& value);
// Text that a spreadsheet would take as a formula (it begins with =, +, -,
// @, a tab or a carriage return) gets a leading apostrophe; control
// characters and bytes that are not UTF-8 are shown as \xHH.
std::string CsvField(const std::string& text);

#endif  // DRIVES_REPORTERS_CSV_TEXT_H_
