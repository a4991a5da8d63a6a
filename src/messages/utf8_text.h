// Text that may not be UTF-8 (paths are bytes; labels, names and fields come
// from users and from files): shown with its control characters and stray
// bytes escaped, kept in JSON by one reversible rule, and cut only between
// characters.
#ifndef DRIVES_MESSAGES_UTF8_TEXT_H_
#define DRIVES_MESSAGES_UTF8_TEXT_H_

#include <cstddef>
#include <string>

// The length of the valid UTF-8 character at `at`, or 0 where the byte there
// begins none (a stray byte, an overlong form, a surrogate).
std::size_t CharacterLength(const std::string& text, std::size_t at);

// Whether Printable(text) is `text` itself: printable ASCII throughout (a
// scan, no copy).
bool PrintableAsIs(const std::string& text);

// `text` for a terminal, a table or a page: every control character (C0,
// DEL, C1) and every byte that is not part of a UTF-8 character as \xHH;
// anything else as it is.
std::string Printable(const std::string& text);

// `text` cut to at most `bytes` bytes, never inside a character.
std::string CutAtCharacter(const std::string& text, std::size_t bytes);

// The reversible rule for JSON, whose strings are UTF-8: each byte that is
// not part of a UTF-8 character, and each byte of a character from U+10FF00
// to U+10FFFF (a private-use range the rule takes for itself), is written as
// the character U+10FF00 + the byte. ToJsonText(FromJsonText(x)) and
// FromJsonText(ToJsonText(x)) give x back, byte for byte.
std::string ToJsonText(const std::string& bytes);
std::string FromJsonText(const std::string& text);

#endif  // DRIVES_MESSAGES_UTF8_TEXT_H_
