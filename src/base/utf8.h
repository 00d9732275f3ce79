// UTF-8 helpers. The core holds every text as UTF-8 in std::string; these
// routines count and cut texts by characters (code points) so that a cut never
// splits a character, and convert to and from UTF-16 at the edges where the
// outside world speaks UTF-16 (the service pipe, the Windows API).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

// Number of characters (code points) in a UTF-8 text. Bytes that do not form
// valid UTF-8 count as one character each.
std::size_t CharCount(std::string_view text);

// The first maxChars characters of text, never splitting a character.
std::string CutToChars(std::string_view text, std::size_t maxChars);

// The last maxChars characters of text, never splitting a character.
std::string LastChars(std::string_view text, std::size_t maxChars);

// True when text is well-formed UTF-8: no stray or missing continuation
// bytes, no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);
// text with every byte that does not belong to a well-formed character
// replaced by U+FFFD (an overlong form or a surrogate becomes one U+FFFD).
std::string ToValidUtf8(std::string_view text);

// One character of a UTF-8 text, decoded. valid is false for a byte that does
// not begin a well-formed character; value then holds that byte, so a text
// can be rebuilt byte for byte.
struct Utf8Char {
  char32_t value = 0;
  bool valid = true;
};
// The characters of text in order; each byte of a malformed sequence comes
// as a character of its own, marked invalid.
std::vector<Utf8Char> DecodeUtf8Chars(std::string_view text);
// Appends the UTF-8 form of a code point (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// UTF-16 <-> UTF-8. Invalid input is replaced by U+FFFD rather than dropped.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16 little-endian bytes of a UTF-8 text (no terminator, no byte-order mark).
std::string Utf8ToUtf16LeBytes(std::string_view text);

// Lower-case fold of the ASCII letters only; used for case-insensitive names.
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace brenvik
