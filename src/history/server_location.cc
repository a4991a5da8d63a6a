#include "history/server_location.h"

#include <cctype>
#include <optional>

namespace {

constexpr char kMask[] = "***";
constexpr char kNotShown[] = "(a server's connection string, not shown)";
constexpr const char* kSchemes[] = {"postgresql://", "postgres://"};

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)); }

std::size_t SkipSpaces(const std::string& text, std::size_t at) {
  while (at < text.size() && IsSpace(text[at])) ++at;
  return at;
}

std::optional<std::size_t> SchemeLength(const std::string& location) {
  for (const char* scheme : kSchemes) {
    if (location.rfind(scheme, 0) == 0) return std::string(scheme).size();
  }
  return std::nullopt;
}

// libpq's key=value words (its own grammar: a value in quotes takes
// backslash escapes), each password value masked; none where the text is
// not of that grammar.
std::optional<std::string> MaskWords(const std::string& text) {
  std::string masked;
  std::size_t at = 0;
  while ((at = SkipSpaces(text, at)) < text.size()) {
    std::size_t key = at;
    while (at < text.size() && !IsSpace(text[at]) && text[at] != '=') ++at;
    const std::string keyword = text.substr(key, at - key);
    at = SkipSpaces(text, at);
    if (keyword.empty() || at >= text.size() || text[at] != '=') {
      return std::nullopt;
    }
    at = SkipSpaces(text, at + 1);
    const std::size_t value = at;
    if (at < text.size() && text[at] == '\'') {
      for (++at; at < text.size() && text[at] != '\''; ++at) {
        if (text[at] == '\\') ++at;
      }
      if (at >= text.size()) return std::nullopt;  // no closing quote
      ++at;
    } else {
      for (; at < text.size() && !IsSpace(text[at]); ++at) {
        if (text[at] == '\\') ++at;
      }
      at = std::min(at, text.size());
    }
    masked += (masked.empty() ? "" : " ") + keyword + "=" +
              (keyword == "password" ? std::string(kMask)
                                     : text.substr(value, at - value));
  }
  return masked;
}

// A URI's password, in its user information (up to the first '@' before
// any '/', as libpq reads it) and in its password= parameters, masked; none
// where an '@' stands anywhere else.
std::optional<std::string> MaskUri(const std::string& text,
                                   std::size_t scheme) {
  std::string masked = text;
  std::size_t end = masked.find_first_of("@/", scheme);
  if (end != std::string::npos && masked[end] == '@') {
    const std::size_t colon = masked.find(':', scheme);
    if (colon < end) {
      masked.replace(colon + 1, end - colon - 1, kMask);
      end = colon + 1 + std::string(kMask).size();
    }
    ++end;
  } else {
    end = scheme;
  }
  if (masked.find('@', end) != std::string::npos) return std::nullopt;
  const std::size_t query = masked.find('?', end);
  if (query == std::string::npos) return masked;
  std::size_t at = query + 1;
  while (at <= masked.size()) {
    std::size_t next = masked.find('&', at);
    if (next == std::string::npos) next = masked.size();
    if (masked.compare(at, 9, "password=") == 0) {
      masked.replace(at + 9, next - at - 9, kMask);
      next = at + 9 + std::string(kMask).size();
    }
    at = next + 1;
  }
  return masked;
}

}  // namespace

bool IsServerLocation(const std::string& location) {
  if (SchemeLength(location)) return true;
  // A keyword and '=' first: a file's name is not written so.
  std::size_t at = SkipSpaces(location, 0);
  const std::size_t key = at;
  while (at < location.size() &&
         (std::isalnum(static_cast<unsigned char>(location[at])) ||
          location[at] == '_')) {
    ++at;
  }
  return at > key && SkipSpaces(location, at) < location.size() &&
         location[SkipSpaces(location, at)] == '=';
}

std::string MaskPassword(const std::string& location) {
  if (!IsServerLocation(location)) return location;
  const std::optional<std::size_t> scheme = SchemeLength(location);
  const std::optional<std::string> masked =
      scheme ? MaskUri(location, *scheme) : MaskWords(location);
  std::string password;
  if (!masked ||
      ParseConnection(location, password) == ConnectionParse::kMalformed ||
      (!password.empty() && masked->find(password) != std::string::npos)) {
    return kNotShown;
  }
  return *masked;
}

std::string MaskCommandWord(const std::string& word) {
  const std::size_t equals = word.find('=');
  if (word.rfind("--", 0) == 0 && equals != std::string::npos) {
    return word.substr(0, equals + 1) + MaskPassword(word.substr(equals + 1));
  }
  return MaskPassword(word);
}
