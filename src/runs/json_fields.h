// One field of a run folder's JSON files (the manifest, clients.json): read
// only where it has the type expected, so a damaged file gives gaps rather
// than exceptions.
#ifndef DRIVES_RUNS_JSON_FIELDS_H_
#define DRIVES_RUNS_JSON_FIELDS_H_

#include <climits>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>

namespace json_fields {

// A field whose number lies outside what it may be: the file is refused.
class OutOfRange : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using Json = nlohmann::ordered_json;

// The deepest a run folder's JSON file nests: its own files nest 4 deep; a
// hostile one nested thousands deep would overflow the parser's stack.
constexpr int kMostNesting = 20;

// Whether `text` nests its arrays and objects at most `most` deep (counted
// outside strings), before it is parsed.
bool NestingWithin(const std::string& text, int most);

// `json` with every string in the reversible rule of messages/utf8_text.h,
// so that it can be written whatever bytes its paths and labels hold; String()
// reads them back byte for byte.
Json WithJsonText(Json json);

// The number, or null where there is none.
Json OptionalInt(const std::optional<int>& value);

// A string field, its bytes as they were before WithJsonText().
std::optional<std::string> String(const Json& json, const char* key);
// A whole number from `least` to `most`; one outside them is not narrowed
// but thrown as OutOfRange, naming the field.
std::optional<int> Int(const Json& json, const char* key, int least = INT_MIN,
                       int most = INT_MAX);
std::optional<std::uint64_t> Bytes(const Json& json, const char* key);
std::optional<double> OptionalNumber(const Json& json, const char* key);
// 0 where the field is missing or not a number.
double Number(const Json& json, const char* key);
// false where the field is missing or not a boolean.
bool Flag(const Json& json, const char* key);

}  // namespace json_fields

#endif  // DRIVES_RUNS_JSON_FIELDS_H_
