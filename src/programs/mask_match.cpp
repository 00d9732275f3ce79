#include "programs/mask_match.h"

#include "base/errors.h"
#include "base/utf8.h"
#include "programs/path_compare.h"

namespace brenvik {
namespace {

// Byte position (1-based) of each decoded character of text.
std::vector<std::size_t> BytePositions(const std::vector<Utf8Char>& chars) {
  std::vector<std::size_t> positions;
  std::size_t at = 1;
  for (const Utf8Char& ch : chars) {
    positions.push_back(at);
    if (!ch.valid || ch.value < 0x80) {
      at += 1;
    } else if (ch.value < 0x800) {
      at += 2;
    } else if (ch.value < 0x10000) {
      at += 3;
    } else {
      at += 4;
    }
  }
  return positions;
}

}  // namespace

Mask::Mask(std::string_view mask) {
  const std::vector<Utf8Char> chars = DecodeUtf8Chars(mask);
  for (std::size_t i = 0; i < chars.size(); ++i) {
    const Utf8Char ch = chars[i];
    Token token;
    if (ch.valid && ch.value == '*') {
      token.kind = Token::AnyRun;
    } else if (ch.valid && ch.value == '?') {
      token.kind = Token::AnyOne;
    } else if (ch.valid && ch.value == '[') {
      const std::size_t open = i;
      token.kind = Token::Set;
      ++i;
      if (i < chars.size() && chars[i].valid && chars[i].value == '!') {
        token.negated = true;
        ++i;
      }
      bool closed = false;
      for (; i < chars.size(); ++i) {
        if (chars[i].valid && chars[i].value == ']') {
          closed = true;
          break;
        }
        const char32_t lo = FoldChar(chars[i].value);
        char32_t hi = lo;
        const bool range = i + 2 < chars.size() && chars[i + 1].valid &&
                           chars[i + 1].value == '-' &&
                           !(chars[i + 2].valid && chars[i + 2].value == ']');
        if (range) {
          hi = FoldChar(chars[i + 2].value);
          i += 2;
        }
        token.ranges.push_back({lo, hi});
      }
      if (!closed) {
        throw ConversionError("'" + std::string(mask) + "' is an invalid mask at (" +
                              std::to_string(BytePositions(chars)[open]) + ")");
      }
    } else {
      token.value = ch.valid ? FoldChar(ch.value) : ch.value;
      token.validChar = ch.valid;
    }
    tokens_.push_back(std::move(token));
  }
}

bool Mask::TokenMatches(const Token& token, char32_t c, bool valid) const {
  switch (token.kind) {
    case Token::AnyOne:
      return true;
    case Token::Literal:
      return token.value == c && token.validChar == valid;
    case Token::Set: {
      bool member = false;
      for (const Range& r : token.ranges) member = member || (c >= r.lo && c <= r.hi);
      return member != token.negated;
    }
    case Token::AnyRun:
      break;
  }
  return false;
}

// Greedy matching with a return to the last "*": every other token takes
// exactly one character, so this finds a match whenever one exists.
bool Mask::Matches(std::string_view text) const {
  std::vector<Utf8Char> chars = DecodeUtf8Chars(text);
  for (Utf8Char& ch : chars) {
    if (ch.valid) ch.value = FoldChar(ch.value);
  }
  std::size_t t = 0, m = 0;
  std::size_t starToken = tokens_.size(), starText = 0;
  while (t < chars.size()) {
    if (m < tokens_.size() && tokens_[m].kind == Token::AnyRun) {
      starToken = m++;
      starText = t;
    } else if (m < tokens_.size() && TokenMatches(tokens_[m], chars[t].value, chars[t].valid)) {
      ++m;
      ++t;
    } else if (starToken < tokens_.size()) {
      m = starToken + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (m < tokens_.size() && tokens_[m].kind == Token::AnyRun) ++m;
  return m == tokens_.size();
}

bool MatchesMask(std::string_view text, std::string_view mask) { return Mask(mask).Matches(text); }

}  // namespace brenvik
