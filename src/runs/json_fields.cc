#include "runs/json_fields.h"

#include "messages/utf8_text.h"

namespace json_fields {

bool NestingWithin(const std::string& text, int most) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > most) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

Json OptionalInt(const std::optional<int>& value) {
  return value ? Json(*value) : Json();
}

Json WithJsonText(Json json) {
  if (json.is_string()) return ToJsonText(json.get<std::string>());
  if (json.is_structured()) {
    for (Json& item : json) item = WithJsonText(std::move(item));
  }
  return json;
}

std::optional<std::string> String(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_string()) return std::nullopt;
  return FromJsonText(it->get<std::string>());
}

std::optional<int> Int(const Json& json, const char* key, int least, int most) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_number_integer()) return std::nullopt;
  const bool fits =
      it->is_number_unsigned()
          ? it->get<std::uint64_t>() <= static_cast<std::uint64_t>(most)
          : it->get<std::int64_t>() >= least && it->get<std::int64_t>() <= most;
  if (!fits || it->get<std::int64_t>() < least) {
    throw OutOfRange("\"" + std::string(key) + "\" is " + it->dump() +
                     ", outside " + std::to_string(least) + " to " +
                     std::to_string(most));
  }
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
