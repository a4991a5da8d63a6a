// libFuzzer target: the report's writers fed figures at every extreme. The
// bytes are read as doubles (8 at a time) and put in place of a real
// results file's numbers, so that denormals, the largest doubles, zeros,
// negatives, infinities and NaNs reach every chart and table the reader
// lets them reach; two inputs so that comparisons are drawn too.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "every_format.h"
#include "results/input_text.h"
#include "results/results_reader.h"

namespace {

// The real file, with every number after its title a slot.
const std::vector<std::string>& Pieces() {
  static const std::vector<std::string> pieces = [] {
    std::ifstream in(std::string(DRIVES_TEST_DATA_DIR) +
                     "/two_threads_results.txt");
    std::ostringstream text;
    text << in.rdbuf();
    const std::string whole = text.str();
    const std::size_t body = whole.find('\n') + 1;
    const std::regex number(R"(\b\d+(\.\d+)?(e[+-]\d+)?\b)");
    std::vector<std::string> split;
    std::string rest = whole.substr(body);
    std::smatch found;
    std::string before = whole.substr(0, body);
    while (std::regex_search(rest, found, number)) {
      split.push_back(before + found.prefix().str());
      before.clear();
      rest = found.suffix().str();
    }
    split.push_back(before + rest);
    return split;
  }();
  return pieces;
}

std::string Made(const std::uint8_t* data, std::size_t size,
                 std::size_t& used) {
  const std::vector<std::string>& pieces = Pieces();
  std::string text = pieces.front();
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    double value = 0;
    if (used + sizeof value <= size) {
      std::memcpy(&value, data + used, sizeof value);
      used += sizeof value;
    }
    char number[64];
    std::snprintf(number, sizeof number, "%g", value);
    text += number + pieces[i];
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::size_t used = 0;
  Comparison comparison;
  for (const char* name : {"a", "b"}) {
    const std::string text = Made(data, size, used);
    InputError error;
    if (!CheckInputText(text, error)) return 0;
    std::optional<RunRecord> record = ReadRunRecord(text, name, error);
    if (!record) return 0;
    comparison.inputs.push_back({name,
                                 name,
                                 {*record, *record},
                                 {RunMark{1, false}, RunMark{2, false}},
                                 {{}, {}},
                                 {},
                                 {},
                                 {}});
  }
  comparison.baseline = 0;
  WriteEveryFormat(comparison);
  return 0;
}
