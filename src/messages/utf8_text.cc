#include "messages/utf8_text.h"

#include <cstdio>

namespace {

// The private-use characters U+10FF00 to U+10FFFF stand for bytes in JSON:
// their UTF-8 is F4 8F BC..BF 80..BF.
constexpr unsigned char kByteLead[] = {0xF4, 0x8F};

unsigned char At(const std::string& text, std::size_t i) {
  return static_cast<unsigned char>(text[i]);
}

// Whether the character of `length` bytes at `at` stands for a byte.
bool IsByteCharacter(const std::string& text, std::size_t at,
                     std::size_t length) {
  return length == 4 && At(text, at) == kByteLead[0] &&
         At(text, at + 1) == kByteLead[1] && At(text, at + 2) >= 0xBC;
}

void AppendByteCharacter(unsigned char byte, std::string& out) {
  // U+10FF00 + byte: F4 8F, then 0xBC + (byte >> 6), then 0x80 + low six.
  out += static_cast<char>(kByteLead[0]);
  out += static_cast<char>(kByteLead[1]);
  out += static_cast<char>(0xBC + (byte >> 6));
  out += static_cast<char>(0x80 + (byte & 0x3F));
}

}  // namespace

std::size_t CharacterLength(const std::string& text, std::size_t at) {
  const unsigned char lead = At(text, at);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned int code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = At(text, at + i);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  const bool overlong =
      (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (overlong || surrogate || code > 0x10FFFF) return 0;
  return length;
}

bool PrintableAsIs(const std::string& text) {
  for (const char c : text) {
    if (c < 0x20 || c >= 0x7F) return false;
  }
  return true;
}

std::string Printable(const std::string& text) {
  // Most text is printable ASCII: as it is, without a walk per character.
  if (PrintableAsIs(text)) return text;
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = CharacterLength(text, at);
    const unsigned char lead = At(text, at);
    const bool control =
        (length == 1 && (lead < 0x20 || lead == 0x7F)) ||
        (length == 2 && lead == 0xC2 && At(text, at + 1) < 0xA0);
    if (length == 0 || control) {
      for (std::size_t i = 0; i < (length == 0 ? 1 : length); ++i) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", At(text, at + i));
        shown += escaped;
      }
      at += length == 0 ? 1 : length;
    } else {
      shown.append(text, at, length);
      at += length;
    }
  }
  return shown;
}

std::string CutAtCharacter(const std::string& text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = 0;
  while (end < text.size()) {
    const std::size_t length = CharacterLength(text, end);
    const std::size_t next = end + (length == 0 ? 1 : length);
    if (next > bytes) break;
    end = next;
  }
  return text.substr(0, end);
}

std::string ToJsonText(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = CharacterLength(bytes, at);
    if (length == 0 || IsByteCharacter(bytes, at, length)) {
      const std::size_t taken = length == 0 ? 1 : length;
      for (std::size_t i = 0; i < taken; ++i) {
        AppendByteCharacter(At(bytes, at + i), text);
      }
      at += taken;
    } else {
      text.append(bytes, at, length);
      at += length;
    }
  }
  return text;
}

std::string FromJsonText(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t length = CharacterLength(text, at);
    if (IsByteCharacter(text, at, length)) {
      bytes += static_cast<char>(((At(text, at + 2) - 0xBC) << 6) |
                                 (At(text, at + 3) - 0x80));
      at += 4;
    } else {
      const std::size_t taken = length == 0 ? 1 : length;
      bytes.append(text, at, taken);
      at += taken;
    }
  }
  return bytes;
}
