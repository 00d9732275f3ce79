#include "records/text_helpers.h"

#include <charconv>

#include "base/utf8.h"

namespace brenvik {

CharSet CharSet::Of(std::string_view members) {
  CharSet set;
  for (char c : members) set.Add(c);
  return set;
}

bool CharSet::Contains(char c) const {
  const auto code = static_cast<unsigned char>(c);
  return code < 128 && bits_.test(code);
}

CharSet& CharSet::Add(char c) {
  const auto code = static_cast<unsigned char>(c);
  if (code < 128) bits_.set(code);
  return *this;
}

std::string TakeWhileIn(std::string_view s, const CharSet& set, int& pos) {
  if (pos < 1) pos = 1;
  const int start = pos;
  const int length = static_cast<int>(s.size());
  while (pos <= length && set.Contains(s[pos - 1])) ++pos;
  if (start > length) return {};
  return std::string(s.substr(start - 1, pos - start));
}

std::string TakeUntilIn(std::string_view s, const CharSet& set, int& pos) {
  if (pos < 1) pos = 1;
  const int start = pos;
  const int length = static_cast<int>(s.size());
  while (pos <= length && !set.Contains(s[pos - 1])) ++pos;
  if (start > length) return {};
  return std::string(s.substr(start - 1, pos - start));
}

std::string TakeBackUntilIn(std::string_view s, const CharSet& set, int& pos) {
  const int length = static_cast<int>(s.size());
  if (pos > length) pos = length;
  const int end = pos;
  while (pos >= 1 && !set.Contains(s[pos - 1])) --pos;
  if (end < 1) return {};
  return std::string(s.substr(pos, end - pos));
}

char CharAt(std::string_view s, int i) {
  if (i < 1 || i > static_cast<int>(s.size())) return '\0';
  return s[i - 1];
}

std::string PadText(std::string_view t, int width, char ch) {
  if (width <= 0) return {};
  std::string padded(static_cast<std::size_t>(width), ch);
  padded += t;
  return LastChars(padded, static_cast<std::size_t>(width));
}

std::string PadInt(std::int64_t v, int width, char ch) {
  // The digits are ASCII, so the last width characters are the last width
  // bytes: the same result as PadText without counting characters.
  if (width <= 0) return {};
  char digits[24];
  const char* end = std::to_chars(digits, digits + sizeof digits, v).ptr;
  const auto n = static_cast<std::size_t>(end - digits);
  const auto w = static_cast<std::size_t>(width);
  if (n >= w) return std::string(end - w, w);
  std::string padded(w - n, ch);
  padded.append(digits, n);
  return padded;
}

std::vector<std::string> SplitByChar(std::string_view s, char d) {
  std::vector<std::string> parts;
  std::size_t at;
  while ((at = s.find(d)) != std::string_view::npos) {
    parts.emplace_back(s.substr(0, at));
    s.remove_prefix(at + 1);
  }
  if (!s.empty()) parts.emplace_back(s);
  return parts;
}

void SortIntegers(std::vector<std::int32_t>& a, int lo, int hi) {
  while (lo < hi) {
    int i = lo;
    int j = hi;
    const int middle = lo + (hi - lo) / 2;
    const std::int32_t pivot = a[static_cast<std::size_t>(middle)];
    while (i <= j) {
      while (a[static_cast<std::size_t>(i)] < pivot) ++i;
      while (a[static_cast<std::size_t>(j)] > pivot) --j;
      if (i <= j) {
        std::swap(a[static_cast<std::size_t>(i)], a[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    }
    // Recurse into the smaller side, loop on the larger: bounded stack depth.
    if (j - lo < hi - i) {
      SortIntegers(a, lo, j);
      lo = i;
    } else {
      SortIntegers(a, i, hi);
      hi = j;
    }
  }
}

std::string UserDisplayName(std::string_view user, std::string_view domain) {
  if (user.empty() && domain.empty()) return {};
  if (user == "N/A") return std::string(user);
  std::string name(user);
  name += " [";
  name += domain;
  name += "]";
  return name;
}

}  // namespace brenvik
