#include "results/input_text.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Reads go in chunks of this size, the first sized for the file when its
// size is known.
constexpr std::size_t kChunkBytes = 64 << 10;

std::string TooLarge() {
  return "larger than " + std::to_string(kMaxInputBytes >> 20) +
         " MiB; not a results file";
}

// Reads what `file` holds, at most one chunk past the limit so that an
// input over it is recognised without reading it whole. `expectedSize` is
// the file's size where it is known, else 0.
bool ReadAll(std::FILE* file, std::size_t expectedSize, std::string& text,
             InputError& error) {
  text.clear();
  std::size_t size = 0;
  std::size_t chunk = expectedSize > 0 ? expectedSize + 1 : kChunkBytes;
  while (size <= kMaxInputBytes) {
    text.resize(size + chunk);
    const std::size_t got = std::fread(&text[size], 1, chunk, file);
    size += got;
    if (got < chunk) break;
    chunk = kChunkBytes;
  }
  text.resize(size);
  if (std::ferror(file)) {
    error.message = std::string("cannot read: ") + std::strerror(errno);
    return false;
  }
  if (size > kMaxInputBytes) {
    error.message = TooLarge();
    return false;
  }
  return true;
}

void AppendUtf8(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Text saved as UTF-16 (Windows Notepad's "Unicode", with its byte-order
// mark) as UTF-8; a UTF-8 byte-order mark dropped. False where UTF-16 text
// is cut off or its surrogates do not pair.
bool DecodeByteOrderMark(std::string& text, InputError& error) {
  const auto byte = [&text](std::size_t i) {
    return static_cast<unsigned char>(text[i]);
  };
  if (text.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB &&
      byte(2) == 0xBF) {
    text.erase(0, 3);
    return true;
  }
  if (text.size() < 2) return true;
  const bool little = byte(0) == 0xFF && byte(1) == 0xFE;
  const bool big = byte(0) == 0xFE && byte(1) == 0xFF;
  if (!little && !big) return true;
  if (text.size() % 2 != 0) {
    error.message = "UTF-16 text with an odd number of bytes; cut off";
    return false;
  }
  const auto unit = [&](std::size_t i) -> std::uint32_t {
    return little ? byte(i) | (byte(i + 1) << 8) : (byte(i) << 8) | byte(i + 1);
  };
  std::string decoded;
  decoded.reserve(text.size() / 2);
  for (std::size_t i = 2; i < text.size(); i += 2) {
    std::uint32_t code = unit(i);
    if (code >= 0xD800 && code < 0xDC00 && i + 2 < text.size() &&
        unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
      code = 0x10000 + ((code - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (code >= 0xD800 && code < 0xE000) {
      error.message =
          "UTF-16 text with an unpaired surrogate; not a results "
          "file";
      return false;
    }
    AppendUtf8(code, decoded);
  }
  text = std::move(decoded);
  return true;
}

}  // namespace

bool LoadInputText(const std::string& source, std::string& text,
                   InputError& error) {
  error = InputError{};
  if (source == kStandardInput) {
    if (!ReadAll(stdin, 0, text, error)) return false;
  } else {
    std::error_code code;
    const std::filesystem::file_status status =
        std::filesystem::status(source, code);
    if (std::filesystem::is_directory(status)) {
      error.message =
          "is a directory, but not a run folder (it has no manifest.json)";
      return false;
    }
    // A regular file's size is known before reading; a pipe's is found out
    // while reading.
    std::uintmax_t size = 0;
    if (std::filesystem::is_regular_file(status)) {
      size = std::filesystem::file_size(source, code);
      if (code) size = 0;
    }
    if (size > kMaxInputBytes) {
      error.message = TooLarge();
      return false;
    }
    errno = 0;
    const File file(std::fopen(source.c_str(), "rb"));
    if (!file) {
      error.message = std::string("cannot open: ") +
                      std::strerror(errno != 0 ? errno : ENOENT);
      return false;
    }
    if (!ReadAll(file.get(), static_cast<std::size_t>(size), text, error)) {
      return false;
    }
  }
  if (!DecodeByteOrderMark(text, error)) return false;
  if (text.empty()) {
    error.message = "is empty";
    return false;
  }
  return true;
}

bool CheckInputText(std::string_view text, InputError& error) {
  // The bytes no line of text holds: control bytes but tab and carriage
  // return (line feeds end the lines), and DEL.
  static const auto kBinary = [] {
    std::array<bool, 256> binary{};
    for (int c = 0; c < 0x20; ++c) binary[c] = c != '\t' && c != '\r';
    binary[0x7f] = true;
    return binary;
  }();
  int line = 1;
  for (std::size_t start = 0; start < text.size(); ++line) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (end - start > kMaxLineBytes) {
      error = {line, "longer than " + std::to_string(kMaxLineBytes) +
                         " bytes; not a results file"};
      return false;
    }
    // Without a branch per byte: most lines are clean.
    bool binary = false;
    for (std::size_t i = start; i < end; ++i) {
      binary |= kBinary[static_cast<unsigned char>(text[i])];
    }
    if (binary) {
      for (std::size_t i = start; i < end; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (kBinary[c]) {
          error = {line, "binary data (byte " + std::to_string(c) +
                             "); not a results file"};
          return false;
        }
      }
    }
    start = end + 1;
  }
  return true;
}
