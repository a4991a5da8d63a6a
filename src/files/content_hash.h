// A fingerprint of content, to tell whether the same input was given
// twice: 64-bit FNV-1a, with the length beside it. Line ends count alike,
// CR LF or LF: the same file saved on Windows is the same input.
#ifndef DRIVES_FILES_CONTENT_HASH_H_
#define DRIVES_FILES_CONTENT_HASH_H_

#include <cstdint>
#include <string>
#include <string_view>

class ContentHash {
 public:
  void Add(std::string_view bytes);
  // "fnv1a64:<16 hex digits>:<bytes>".
  std::string Text() const;

 private:
  std::uint64_t hash_ = 14695981039346656037ULL;
  std::uint64_t bytes_ = 0;
};

#endif  // DRIVES_FILES_CONTENT_HASH_H_
