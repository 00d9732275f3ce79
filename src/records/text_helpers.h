// Small text routines shared by the parser, the reports and the settings.
//
// Texts are UTF-8. Positions are 1-based byte positions; the scanning
// routines stop only on ASCII characters, because a character set never holds
// anything above code 127 here (multi-byte characters are never members), so a
// scan never stops inside a character.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

class CharSet {
 public:
  CharSet() = default;
  static CharSet Of(std::string_view members);
  static CharSet LineBreaks() { return Of("\r\n"); }
  bool Contains(char c) const;
  CharSet& Add(char c);

 private:
  std::bitset<128> bits_;
};

// Scans from pos while the character is in set; returns what was scanned.
// pos ends on the first character not in set (or one past the end).
std::string TakeWhileIn(std::string_view s, const CharSet& set, int& pos);

// Scans from max(pos, 1) while the character is not in set; returns s from pos
// up to the stop. pos ends on the first character in set (or one past the end).
std::string TakeUntilIn(std::string_view s, const CharSet& set, int& pos);

// Scans from pos down to 1 while the character is not in set; returns the
// characters after the stop up to and including the old pos. pos ends on the
// character in set (or 0).
std::string TakeBackUntilIn(std::string_view s, const CharSet& set, int& pos);

// s[i] (1-based), or the character 0 when i is out of range.
char CharAt(std::string_view s, int i);

// The last width characters of width copies of ch followed by v (or t).
std::string PadInt(std::int64_t v, int width, char ch);
std::string PadText(std::string_view t, int width, char ch);

// Splits at every d; a trailing empty piece is not added. "a;b;" -> a, b;
// "a;;b" -> a, "", b; ";a" -> "", a; "" -> nothing.
std::vector<std::string> SplitByChar(std::string_view s, char d);

// Sorts a[lo..hi] ascending in place (partition sort around the middle).
void SortIntegers(std::vector<std::int32_t>& a, int lo, int hi);

// The one form in which a user is stored and listed: "user [domain]", "N/A"
// unchanged, and empty when both parts are empty.
std::string UserDisplayName(std::string_view user, std::string_view domain);

}  // namespace brenvik
