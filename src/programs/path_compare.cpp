#include "programs/path_compare.h"

#include "base/utf8.h"

namespace brenvik {
namespace {

bool Between(char32_t c, char32_t lo, char32_t hi) { return c >= lo && c <= hi; }

// Latin Extended-A pairs an upper-case letter with the lower-case one after
// it; the pairs start on even code points in some runs and odd ones in others.
char32_t FoldLatinExtendedA(char32_t c) {
  const bool even = c % 2 == 0;
  if (Between(c, 0x100, 0x12F) || Between(c, 0x132, 0x137) || Between(c, 0x14A, 0x177)) {
    return even ? c + 1 : c;
  }
  if (Between(c, 0x139, 0x148) || Between(c, 0x179, 0x17E)) return even ? c : c + 1;
  if (c == 0x178) return 0xFF;
  return c;
}

char32_t FoldGreek(char32_t c) {
  if (Between(c, 0x391, 0x3A9) && c != 0x3A2) return c + 0x20;
  if (c == 0x386) return 0x3AC;
  if (Between(c, 0x388, 0x38A)) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  return c;
}

}  // namespace

char32_t FoldChar(char32_t c) {
  if (c < 0x80) return Between(c, 'A', 'Z') ? c + 0x20 : c;
  if (Between(c, 0xC0, 0xDE) && c != 0xD7) return c + 0x20;
  if (Between(c, 0x100, 0x17F)) return FoldLatinExtendedA(c);
  if (Between(c, 0x386, 0x3A9)) return FoldGreek(c);
  if (Between(c, 0x410, 0x42F)) return c + 0x20;
  if (Between(c, 0x400, 0x40F)) return c + 0x50;
  return c;
}

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const Utf8Char& ch : DecodeUtf8Chars(text)) {
    if (ch.valid) {
      AppendUtf8(out, FoldChar(ch.value));
    } else {
      out += static_cast<char>(ch.value);
    }
  }
  return out;
}

bool SamePathIgnoringCase(std::string_view a, std::string_view b) {
  return FoldCase(a) == FoldCase(b);
}

}  // namespace brenvik
