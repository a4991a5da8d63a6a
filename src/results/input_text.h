// Loads one input of drives-report whole, with the limits that keep a wrong
// input from costing much: a size limit checked before reading, and checks
// that the bytes are lines of text.
#ifndef DRIVES_RESULTS_INPUT_TEXT_H_
#define DRIVES_RESULTS_INPUT_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

// A 16-thread results file is about 10 KB; nothing the benchmark writes comes
// near these.
constexpr std::size_t kMaxInputBytes = 4 << 20;
constexpr std::size_t kMaxLineBytes = 1024;

// Why an input could not be read; `line` is 0 where no line applies.
struct InputError {
  int line = 0;
  std::string message;
};

// The path that stands for standard input.
constexpr char kStandardInput[] = "-";

// Reads `source` (a path, or "-") into `text`, reusing its storage; text
// saved as UTF-16 with its byte-order mark (as Windows Notepad saves
// "Unicode") comes as UTF-8. Returns false with `error` set for a missing or
// unreadable path, a directory, an input over kMaxInputBytes, broken UTF-16,
// or one that is empty.
bool LoadInputText(const std::string& source, std::string& text,
                   InputError& error);

// Checks that `text` is lines of text: no NUL or other control byte but tab,
// carriage return and line feed, and no line over kMaxLineBytes.
bool CheckInputText(std::string_view text, InputError& error);

#endif  // DRIVES_RESULTS_INPUT_TEXT_H_
