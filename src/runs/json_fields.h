// One field of a run folder's JSON files (the manifest, clients.json): read
// only where it has the type expected, so a damaged file gives gaps rather
// than exceptions.
#ifndef DRIVES_RUNS_JSON_FIELDS_H_
#define DRIVES_RUNS_JSON_FIELDS_H_

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace json_fields {

using Json = nlohmann::ordered_json;

// The number, or null where there is none.
Json OptionalInt(const std::optional<int>& value);

std::optional<std::string> String(const Json& json, const char* key);
std::optional<int> Int(const Json& json, const char* key);
std::optional<std::uint64_t> Bytes(const Json& json, const char* key);
std::optional<double> OptionalNumber(const Json& json, const char* key);
// 0 where the field is missing or not a number.
double Number(const Json& json, const char* key);
// false where the field is missing or not a boolean.
bool Flag(const Json& json, const char* key);

}  // namespace json_fields

#endif  // DRIVES_RUNS_JSON_FIELDS_H_
