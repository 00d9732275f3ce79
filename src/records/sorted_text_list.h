// Sorted, duplicate-free lists of texts that compare without regard to the
// case of ASCII letters: the program paths and user names that the processing
// pass gathers from the history (the reports' pick lists read them), and the
// key lists of the pass itself. The first spelling added is the one kept.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

// <0, 0 or >0 as a is before, equal to or after b, folding ASCII case only.
int CompareTextIgnoreCase(std::string_view a, std::string_view b);

class SortedTextList {
 public:
  // Adds the text unless an equal one is held; true when it was added.
  bool Add(std::string_view text);
  bool Contains(std::string_view text) const;
  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  const std::string& operator[](std::size_t i) const { return items_[i]; }
  std::vector<std::string>::const_iterator begin() const { return items_.begin(); }
  std::vector<std::string>::const_iterator end() const { return items_.end(); }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::string>::const_iterator LowerBound(std::string_view text) const;
  std::vector<std::string> items_;
};

}  // namespace brenvik
