// Text gathered in a buffer that goes to a stream in large writes: a report
// of many inputs is millions of short fields, and a stream's own insertion
// costs more than the field.
#ifndef DRIVES_REPORTERS_OUTPUT_BUFFER_H_
#define DRIVES_REPORTERS_OUTPUT_BUFFER_H_

#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

class OutputBuffer {
 public:
  explicit OutputBuffer(std::ostream& out) : out_(out) {}
  ~OutputBuffer() { Flush(); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  OutputBuffer& operator<<(std::string_view text) {
    buffer_ += text;
    return *this;
  }
  OutputBuffer& operator<<(char c) {
    buffer_ += c;
    // A line's end is where the buffer may go.
    if (c == '\n' && buffer_.size() >= kFlushBytes) Flush();
    return *this;
  }
  template <typename Integer,
            typename = std::enable_if_t<std::is_integral_v<Integer>>>
  OutputBuffer& operator<<(Integer value) {
    buffer_ += std::to_string(value);
    return *this;
  }

  void Flush() {
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kFlushBytes = 1 << 16;
  std::ostream& out_;
  std::string buffer_;
};

#endif  // DRIVES_REPORTERS_OUTPUT_BUFFER_H_
