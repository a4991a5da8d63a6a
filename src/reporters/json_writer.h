// JSON written as it is made, two-space indented: the same text as the
// whole document made first and dumped with two-space indents, without
// ever holding the document. A report of many inputs is hundreds of
// megabytes of it.
#ifndef DRIVES_REPORTERS_JSON_WRITER_H_
#define DRIVES_REPORTERS_JSON_WRITER_H_

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
 public:
  using Json = nlohmann::ordered_json;

  explicit JsonWriter(std::ostream& out);
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  // The key of the next member of the object being written; its value
  // follows.
  JsonWriter& Key(std::string_view key);

  // A value: the document, the next element of an array, or after Key().
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  void Null();
  void Bool(bool value);
  void Int(long long value);
  // A finite number as a number; infinity and not-a-number, which JSON
  // lacks, as the strings "inf", "-inf" and "nan".
  void Real(double value);
  void Real(const std::optional<double>& value);  // null when none
  void String(std::string_view text);
  // Any value made with nlohmann's json, laid out in place.
  void Value(const Json& value);

  // Ends the document with a line end and hands what is left to the
  // stream.
  void Finish();

 private:
  // Starts a value: after a key nothing more, in an array the separator
  // and the indent.
  void Before();
  void End(char close);
  // `text` as a JSON string, escaped where it must be.
  void Quoted(std::string_view text);
  void Indent(std::size_t depth);
  void Flush();

  std::ostream& out_;
  std::string buffer_;
  // Of each object or array open: whether it is still empty.
  std::vector<bool> empty_;
  bool afterKey_ = false;
};

#endif  // DRIVES_REPORTERS_JSON_WRITER_H_
