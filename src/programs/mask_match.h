// File-name masks as the program lists' filter box understands them. The
// whole text must match the mask, letter case ignored (FoldCase): "*" matches
// any run of characters (none included), "?" exactly one character, and
// "[...]" one character of a set. A set holds single characters and ranges
// ("a-z"; a range whose ends are reversed matches nothing), is negated by a
// leading "!", and ends at the first "]"; "[]" matches nothing and "[!]" any
// one character. A "-" at either end of a set is a plain member.
//
// A set that is never closed makes the mask invalid: building the Mask
// raises ConversionError "'<mask>' is an invalid mask at (<n>)", n being the
// 1-based byte position of the "[" that is left open.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

class Mask {
 public:
  explicit Mask(std::string_view mask);
  bool Matches(std::string_view text) const;

 private:
  struct Range {
    char32_t lo;
    char32_t hi;
  };
  struct Token {
    enum Kind { Literal, AnyOne, AnyRun, Set } kind = Literal;
    char32_t value = 0;         // Literal: the folded character
    bool validChar = true;      // Literal: false for a byte that is not UTF-8
    bool negated = false;       // Set
    std::vector<Range> ranges;  // Set, folded
  };
  bool TokenMatches(const Token& token, char32_t c, bool valid) const;

  std::vector<Token> tokens_;
};

// One-off form of Mask(mask).Matches(text).
bool MatchesMask(std::string_view text, std::string_view mask);

}  // namespace brenvik
