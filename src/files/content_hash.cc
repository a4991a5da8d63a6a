#include "files/content_hash.h"

#include <cstdio>

void ContentHash::Add(std::string_view bytes) {
  constexpr std::uint64_t kPrime = 1099511628211ULL;
  for (const char c : bytes) {
    hash_ ^= static_cast<unsigned char>(c);
    hash_ *= kPrime;
  }
  bytes_ += bytes.size();
}

std::string ContentHash::Text() const {
  char text[64];
  std::snprintf(text, sizeof text, "fnv1a64:%016llx:%llu",
                static_cast<unsigned long long>(hash_),
                static_cast<unsigned long long>(bytes_));
  return text;
}
