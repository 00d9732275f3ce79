#include "records/sorted_text_list.h"

#include <algorithm>

namespace brenvik {
namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(FoldAscii(a[i]));
    const auto cb = static_cast<unsigned char>(FoldAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::vector<std::string>::const_iterator SortedTextList::LowerBound(std::string_view text) const {
  return std::lower_bound(items_.begin(), items_.end(), text,
                          [](const std::string& item, std::string_view value) {
                            return CompareTextIgnoreCase(item, value) < 0;
                          });
}

bool SortedTextList::Add(std::string_view text) {
  const auto at = LowerBound(text);
  if (at != items_.end() && CompareTextIgnoreCase(*at, text) == 0) return false;
  items_.insert(at, std::string(text));
  return true;
}

bool SortedTextList::Contains(std::string_view text) const {
  const auto at = LowerBound(text);
  return at != items_.end() && CompareTextIgnoreCase(*at, text) == 0;
}

}  // namespace brenvik
