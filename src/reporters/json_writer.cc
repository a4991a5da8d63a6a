#include "reporters/json_writer.h"

#include <cmath>

#include "messages/utf8_text.h"

namespace {

constexpr std::size_t kIndent = 2;
// The buffer goes to the stream when it holds this much.
constexpr std::size_t kFlushBytes = 1 << 16;

// Text that needs no escaping: printable ASCII without quotes and
// backslashes. Anything else is escaped by nlohmann's own rules.
bool Plain(std::string_view text) {
  for (const char c : text) {
    if (c < 0x20 || c > 0x7e || c == '"' || c == '\\') return false;
  }
  return true;
}

}  // namespace

JsonWriter::JsonWriter(std::ostream& out) : out_(out) {}

void JsonWriter::Indent(std::size_t depth) {
  buffer_.append(depth * kIndent, ' ');
}

void JsonWriter::Before() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (empty_.empty()) return;  // the document itself
  buffer_ += empty_.back() ? "\n" : ",\n";
  empty_.back() = false;
  Indent(empty_.size());
}

void JsonWriter::Quoted(std::string_view text) {
  if (Plain(text)) {
    buffer_ += '"';
    buffer_ += text;
    buffer_ += '"';
    return;
  }
  // Bytes that are not UTF-8 (paths may hold any) by the one reversible
  // rule for JSON.
  nlohmann::detail::serializer<Json> serializer(
      nlohmann::detail::output_adapter<char>(buffer_), ' ',
      Json::error_handler_t::replace);
  serializer.dump(Json(ToJsonText(std::string(text))), false, false, 0);
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  buffer_ += empty_.back() ? "\n" : ",\n";
  empty_.back() = false;
  Indent(empty_.size());
  Quoted(key);
  buffer_ += ": ";
  afterKey_ = true;
  return *this;
}

void JsonWriter::BeginObject() {
  Before();
  buffer_ += '{';
  empty_.push_back(true);
}

void JsonWriter::BeginArray() {
  Before();
  buffer_ += '[';
  empty_.push_back(true);
}

void JsonWriter::End(char close) {
  const bool empty = empty_.back();
  empty_.pop_back();
  if (!empty) {
    buffer_ += '\n';
    Indent(empty_.size());
  }
  buffer_ += close;
  if (buffer_.size() >= kFlushBytes) Flush();
}

void JsonWriter::EndObject() { End('}'); }
void JsonWriter::EndArray() { End(']'); }

void JsonWriter::Null() {
  Before();
  buffer_ += "null";
}

void JsonWriter::Bool(bool value) {
  Before();
  buffer_ += value ? "true" : "false";
}

void JsonWriter::Int(long long value) {
  Before();
  buffer_ += std::to_string(value);
}

void JsonWriter::Real(double value) {
  if (std::isnan(value)) return String("nan");
  if (std::isinf(value)) return String(value > 0 ? "inf" : "-inf");
  Before();
  // nlohmann's own shortest form, "98370.0" for a whole number.
  char text[64];
  const char* end = nlohmann::detail::to_chars(text, text + sizeof text, value);
  buffer_.append(text, static_cast<std::size_t>(end - text));
}

void JsonWriter::Real(const std::optional<double>& value) {
  if (value) {
    Real(*value);
  } else {
    Null();
  }
}

void JsonWriter::String(std::string_view text) {
  Before();
  Quoted(text);
}

void JsonWriter::Value(const Json& value) {
  Before();
  nlohmann::detail::serializer<Json> serializer(
      nlohmann::detail::output_adapter<char>(buffer_), ' ',
      Json::error_handler_t::replace);
  serializer.dump(value, true, false, kIndent,
                  static_cast<unsigned int>(empty_.size() * kIndent));
}

void JsonWriter::Flush() {
  out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  buffer_.clear();
}

void JsonWriter::Finish() {
  buffer_ += '\n';
  Flush();
}
