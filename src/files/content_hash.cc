#include "files/content_hash.h"

#include <cstdio>

void ContentHash::Add(std::string_view bytes) {
  constexpr std::uint64_t kPrime = 1099511628211ULL;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    // A line end is one, CR LF or LF.
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      continue;
    }
    hash_ ^= static_cast<unsigned char>(bytes[i]);
    hash_ *= kPrime;
    ++bytes_;
  }
}

std::string ContentHash::Text() const {
  char text[64];
  std::snprintf(text, sizeof text, "fnv1a64:%016llx:%llu",
                static_cast<unsigned long long>(hash_),
                static_cast<unsigned long long>(bytes_));
  return text;
}
