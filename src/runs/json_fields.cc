#include "runs/json_fields.h"

namespace json_fields {

Json OptionalInt(const std::optional<int>& value) {
  return value ? Json(*value) : Json();
}

std::optional<std::string> String(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

std::optional<int> Int(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_number_integer()) return std::nullopt;
  return it->get<int>();
}

std::optional<std::uint64_t> Bytes(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_number_unsigned()) return std::nullopt;
  return it->get<std::uint64_t>();
}

double Number(const Json& json, const char* key) {
  const auto it = json.find(key);
  return it != json.end() && it->is_number() ? it->get<double>() : 0;
}

std::optional<double> OptionalNumber(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_number()) return std::nullopt;
  return it->get<double>();
}

bool Flag(const Json& json, const char* key) {
  const auto it = json.find(key);
  return it != json.end() && it->is_boolean() && it->get<bool>();
}

}  // namespace json_fields
