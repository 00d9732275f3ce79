// The lists of open entries of a processing pass: objects filed under text
// keys, kept sorted by key without regard to ASCII case, duplicates allowed.
// A lookup finds the first object under an equal key; an object added under a
// key that is already held goes in front of the others under that key. The
// list owns its objects.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/sorted_text_list.h"

namespace brenvik {

template <class T>
class KeyedList {
 public:
  struct Item {
    std::string key;
    std::unique_ptr<T> object;
  };

  T* Find(std::string_view key) const {
    const auto at = LowerBound(key);
    if (at == items_.end() || CompareTextIgnoreCase(at->key, key) != 0) return nullptr;
    return at->object.get();
  }

  T& Add(std::string key, std::unique_ptr<T> object) {
    const auto at = LowerBound(key);
    T& added = *object;
    items_.insert(items_.begin() + (at - items_.begin()), Item{std::move(key), std::move(object)});
    return added;
  }

  // Removes and frees the object; nothing happens when it is not held.
  void Remove(const T* object) {
    const auto at = std::find_if(items_.begin(), items_.end(),
                                 [object](const Item& item) { return item.object.get() == object; });
    if (at != items_.end()) items_.erase(at);
  }

  bool Empty() const { return items_.empty(); }
  std::size_t Count() const { return items_.size(); }
  const Item& First() const { return items_.front(); }
  void Clear() { items_.clear(); }

  typename std::vector<Item>::const_iterator begin() const { return items_.begin(); }
  typename std::vector<Item>::const_iterator end() const { return items_.end(); }

 private:
  typename std::vector<Item>::const_iterator LowerBound(std::string_view key) const {
    return std::lower_bound(items_.begin(), items_.end(), key,
                            [](const Item& item, std::string_view value) {
                              return CompareTextIgnoreCase(item.key, value) < 0;
                            });
  }

  std::vector<Item> items_;
};

}  // namespace brenvik
