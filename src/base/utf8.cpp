#include "base/utf8.h"

#include <cstdint>
#include <cstring>

namespace brenvik {
namespace {

// Length of the UTF-8 sequence starting at text[i], or 1 for a stray byte.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 1;
  if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else if (lead >= 0xE0) {
    length = 3;
  } else if (lead >= 0xC2) {
    length = 2;
  }
  if (lead >= 0xF5 || i + length > text.size()) return 1;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// The sequence starting at text[i]: its code point, its length in bytes and
// whether it is a well-formed character. A stray byte has length 1.
struct Sequence {
  char32_t cp;
  std::size_t length;
  bool valid;
};

Sequence SequenceAt(std::string_view text, std::size_t i) {
  const std::size_t length = SequenceLength(text, i);
  const auto lead = static_cast<unsigned char>(text[i]);
  if (length == 1) return {lead, 1, lead < 0x80};
  char32_t cp = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  }
  const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
  return {cp, length, !overlong && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF)};
}

// Decodes the character at text[i]; advances i. Invalid bytes give U+FFFD.
char32_t DecodeAt(std::string_view text, std::size_t& i) {
  const Sequence sequence = SequenceAt(text, i);
  i += sequence.length;
  return sequence.valid ? sequence.cp : 0xFFFD;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::vector<Utf8Char> DecodeUtf8Chars(std::string_view text) {
  std::vector<Utf8Char> chars;
  chars.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Sequence sequence = SequenceAt(text, i);
    if (sequence.valid) {
      chars.push_back({sequence.cp, true});
      i += sequence.length;
    } else {
      chars.push_back({static_cast<unsigned char>(text[i]), false});
      ++i;
    }
  }
  return chars;
}

std::size_t CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); i += SequenceLength(text, i)) ++count;
  return count;
}

std::string CutToChars(std::string_view text, std::size_t maxChars) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < maxChars && i < text.size(); ++n) i += SequenceLength(text, i);
  return std::string(text.substr(0, i));
}

std::string LastChars(std::string_view text, std::size_t maxChars) {
  const std::size_t total = CharCount(text);
  if (total <= maxChars) return std::string(text);
  std::size_t i = 0;
  for (std::size_t n = 0; n < total - maxChars; ++n) i += SequenceLength(text, i);
  return std::string(text.substr(i));
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    // ASCII, the bulk of every log line, eight bytes at a time.
    if (i + 8 <= text.size()) {
      std::uint64_t block;
      std::memcpy(&block, text.data() + i, 8);
      if ((block & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    const char32_t cp = DecodeAt(text, i);
    if (cp == 0xFFFD && text.substr(start, i - start) != "\xEF\xBF\xBD") return false;
  }
  return true;
}

std::string ToValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) AppendUtf8(out, DecodeAt(text, i));
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = DecodeAt(text, i);
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::string Utf8ToUtf16LeBytes(std::string_view text) {
  std::string bytes;
  for (char16_t unit : Utf8ToUtf16(text)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

}  // namespace brenvik
