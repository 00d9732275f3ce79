// The lists of open entries of a processing pass: objects filed under text
// keys, kept sorted by key without regard to ASCII case, duplicates allowed.
// A lookup finds the first object under an equal key; an object added under a
// key that is already held goes in front of the others under that key. The
// list owns its objects.
//
// Adding, finding and removing take logarithmic time: a service that starts
// tens of thousands of programs and never ends them must not make every pass
// quadratic in them.
#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>

#include "records/sorted_text_list.h"

namespace brenvik {

template <class T>
class KeyedList {
 public:
  struct Item {
    std::string key;
    std::unique_ptr<T> object;
  };

 private:
  struct KeyLess {
    using is_transparent = void;
    bool operator()(const Item& a, const Item& b) const { return Less(a.key, b.key); }
    bool operator()(const Item& a, std::string_view b) const { return Less(a.key, b); }
    bool operator()(std::string_view a, const Item& b) const { return Less(a, b.key); }
    static bool Less(std::string_view a, std::string_view b) {
      return CompareTextIgnoreCase(a, b) < 0;
    }
  };
  using Items = std::multiset<Item, KeyLess>;

 public:
  T* Find(std::string_view key) const {
    const auto at = items_.lower_bound(key);
    if (at == items_.end() || CompareTextIgnoreCase(at->key, key) != 0) return nullptr;
    return at->object.get();
  }

  T& Add(std::string key, std::unique_ptr<T> object) {
    T& added = *object;
    // Just before the first item not less than key: in front of equal keys.
    const auto hint = items_.lower_bound(std::string_view(key));
    index_[&added] = items_.emplace_hint(hint, Item{std::move(key), std::move(object)});
    // cppcheck-suppress returnReference ; added is the object the list now owns
    return added;
  }

  // Removes and frees the object; nothing happens when it is not held.
  void Remove(const T* object) {
    const auto at = index_.find(object);
    if (at == index_.end()) return;
    items_.erase(at->second);
    index_.erase(at);
  }

  bool Empty() const { return items_.empty(); }
  std::size_t Count() const { return items_.size(); }
  const Item& First() const { return *items_.begin(); }
  void Clear() {
    index_.clear();
    items_.clear();
  }

  typename Items::const_iterator begin() const { return items_.begin(); }
  typename Items::const_iterator end() const { return items_.end(); }

 private:
  Items items_;
  std::unordered_map<const T*, typename Items::const_iterator> index_;
};

}  // namespace brenvik
