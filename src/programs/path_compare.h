// Comparing program paths and names without regard to letter case, as the
// Windows file system does: FoldCase lower-cases the letters of the Latin,
// Greek and Cyrillic alphabets (ASCII, Latin-1, Latin Extended-A, basic Greek
// and Cyrillic), which covers the paths users meet; other characters, and
// bytes that are not valid UTF-8, are kept as they are.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace brenvik {

char32_t FoldChar(char32_t c);
std::string FoldCase(std::string_view text);
bool SamePathIgnoringCase(std::string_view a, std::string_view b);

// A set of paths compared without regard to letter case (the "paths already
// listed" of a search).
class PathSet {
 public:
  bool Contains(std::string_view path) const { return keys_.count(FoldCase(path)) > 0; }
  // False when the path was there already.
  bool Add(std::string_view path) { return keys_.insert(FoldCase(path)).second; }
  std::size_t Size() const { return keys_.size(); }

 private:
  std::unordered_set<std::string> keys_;
};

}  // namespace brenvik
