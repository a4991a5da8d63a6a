// libFuzzer target: any bytes through the checks drives-report makes of an
// input, the results reader, and every output format.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "every_format.h"
#include "results/input_text.h"
#include "results/results_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  InputError error;
  if (size == 0 || size > kMaxInputBytes || !CheckInputText(text, error)) {
    return 0;
  }
  std::optional<RunRecord> record = ReadRunRecord(text, "fuzz", error);
  if (!record) return 0;
  Comparison comparison;
  comparison.inputs.push_back(
      {"fuzz", "fuzz", {*record}, {RunMark{1, false}}, {{}}, {}, {}, {}});
  comparison.inputs.push_back({"again",
                               "again",
                               {std::move(*record)},
                               {RunMark{2, false}},
                               {{}},
                               {},
                               {},
                               {}});
  comparison.baseline = 0;
  WriteEveryFormat(comparison);
  return 0;
}
