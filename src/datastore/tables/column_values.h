// The stored values of one column, and its null map, as the table store
// keeps them. A column opened from a table file reads its rows in place from
// the file's bytes (a mapped file is not copied); the first change that the
// borrowed bytes cannot take copies them into memory of the column's own.
// Rows appended after the open go to that own memory without copying the
// borrowed rows, and rows cut from either end of the borrowed rows only
// narrow the borrowed range, so a pass that replaces the last rows of a
// large table copies nothing. The borrowed bytes are never written; whoever
// lends them keeps them alive as long as a column reads them.
//
// The null map keeps one bit a row, and none at all for a borrowed map that
// has no bit set.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace brenvik {

// Values of type T: rows [0, borrowed) read from little-endian bytes that
// belong to someone else, the rest kept in a vector.
template <typename T>
class ColumnValues {
 public:
  // Borrowing needs the bytes in the order of the machine.
  static constexpr bool kCanBorrow = std::endian::native == std::endian::little;

  std::size_t size() const { return borrowed_ + own_.size(); }
  bool empty() const { return size() == 0; }
  bool Borrowing() const { return borrowed_ > 0; }

  T operator[](std::size_t row) const {
    if (row < borrowed_) {
      T value;
      std::memcpy(&value, from_ + row * sizeof(T), sizeof(T));
      return value;
    }
    return own_[row - borrowed_];
  }

  // Reads count values in place from bytes (kCanBorrow only), dropping
  // whatever the column held.
  void Borrow(const char* bytes, std::size_t count) {
    own_.clear();
    from_ = bytes;
    borrowed_ = count;
  }
  // Takes a copy of values.
  template <typename It>
  void Assign(It first, It last) {
    Drop();
    own_.assign(first, last);
  }
  void reserve(std::size_t rows) { own_.reserve(rows > borrowed_ ? rows - borrowed_ : 0); }
  const std::vector<T>& Own() const { return own_; }

  void push_back(T value) { own_.push_back(value); }
  // Writing a borrowed row its own value again copies nothing.
  void Set(std::size_t row, T value) {
    if (row < borrowed_) {
      // Compared bit for bit: a double written again as the same NaN or -0
      // is no change either.
      if (std::bit_cast<Bits>((*this)[row]) == std::bit_cast<Bits>(value)) return;
      CopyBorrowed();
    }
    own_[row - borrowed_] = value;
  }
  void clear() {
    Drop();
    own_.clear();
  }

  void EraseAt(std::size_t row) { EraseRows(&row, 1); }
  // Removes the rows at the ascending positions (all below size()).
  void EraseRows(const std::size_t* rows, std::size_t count) {
    if (count == 0) return;
    if (rows[0] >= borrowed_) {
      EraseOwn(rows, count, borrowed_);
    } else if (IsRun(rows, count) && rows[count - 1] + 1 == size()) {
      own_.clear();  // the last rows, some of them borrowed
      borrowed_ = rows[0];
    } else if (IsRun(rows, count) && rows[0] == 0 && count <= borrowed_) {
      from_ += count * sizeof(T);  // the first rows
      borrowed_ -= count;
    } else {
      CopyBorrowed();
      EraseOwn(rows, count, 0);
    }
    if (borrowed_ == 0) from_ = nullptr;
  }

  // Appends the values as little-endian bytes.
  void AppendLe(std::string& out) const {
    if constexpr (kCanBorrow) {
      out.append(from_ == nullptr ? "" : from_, borrowed_ * sizeof(T));
      const std::size_t at = out.size();
      out.resize(at + own_.size() * sizeof(T));
      if (!own_.empty()) std::memcpy(out.data() + at, own_.data(), own_.size() * sizeof(T));
    } else {
      for (const T& v : own_) AppendOne(out, v);
    }
  }

 private:
  // An unsigned integer as wide as T.
  using Bits = std::conditional_t<sizeof(T) == 8, std::uint64_t,
                                  std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint8_t>>;

  static bool IsRun(const std::size_t* rows, std::size_t count) {
    return rows[count - 1] - rows[0] == count - 1;
  }
  static void AppendOne(std::string& out, T value) {
    const Bits u = std::bit_cast<Bits>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
      out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
  }
  void Drop() {
    from_ = nullptr;
    borrowed_ = 0;
  }
  // The copy on first change: the borrowed rows move into own memory, in
  // front of the rows appended since.
  void CopyBorrowed() {
    std::vector<T> all;
    all.reserve(size() + size() / 64 + 64);
    for (std::size_t row = 0; row < borrowed_; ++row) all.push_back((*this)[row]);
    all.insert(all.end(), own_.begin(), own_.end());
    own_ = std::move(all);
    Drop();
  }
  // rows are numbered from the first row of the column; own_ starts at base.
  void EraseOwn(const std::size_t* rows, std::size_t count, std::size_t base) {
    std::size_t to = rows[0] - base;
    std::size_t next = 0;
    for (std::size_t from = to; from < own_.size(); ++from) {
      if (next < count && rows[next] - base == from) {
        ++next;
        continue;
      }
      own_[to++] = own_[from];
    }
    own_.resize(to);
  }

  const char* from_ = nullptr;
  std::size_t borrowed_ = 0;
  std::vector<T> own_;
};

// One bit a row, set for a null. Rows [0, borrowed) read from a bit map
// that belongs to someone else (none: no null among them), starting at a bit
// offset; the rest kept in words of its own.
class NullMap {
 public:
  std::size_t size() const { return borrowed_ + ownSize_; }
  bool Borrowing() const { return borrowed_ > 0; }

  bool operator[](std::size_t row) const {
    if (row < borrowed_) {
      if (bits_ == nullptr) return false;
      const std::size_t bit = first_ + row;
      return ((static_cast<unsigned char>(bits_[bit / 8]) >> (bit % 8)) & 1) != 0;
    }
    row -= borrowed_;
    return ((own_[row / 64] >> (row % 64)) & 1) != 0;
  }

  // Reads the map of rows rows in place from (rows + 7) / 8 bytes, dropping
  // what the map held; a map with no bit set is not read again.
  void Borrow(const char* bytes, std::size_t rows) {
    Reset();
    borrowed_ = rows;
    const std::size_t full = rows / 8;
    bool any = std::any_of(bytes, bytes + full, [](char b) { return b != 0; });
    if (!any && rows % 8 != 0) {
      any = (static_cast<unsigned char>(bytes[full]) & ((1u << (rows % 8)) - 1)) != 0;
    }
    bits_ = any ? bytes : nullptr;
  }
  // Takes a copy of the map of rows rows from (rows + 7) / 8 bytes.
  void Assign(const char* bytes, std::size_t rows) {
    Reset();
    own_.assign((rows + 63) / 64, 0);
    ownSize_ = rows;
    for (std::size_t byte = 0; byte < (rows + 7) / 8; ++byte) {
      const std::uint64_t b = static_cast<unsigned char>(bytes[byte]);
      own_[byte / 8] |= b << (8 * (byte % 8));
    }
    if (rows % 64 != 0) own_.back() &= (std::uint64_t{1} << (rows % 64)) - 1;
  }
  void reserve(std::size_t rows) { own_.reserve((rows + 63) / 64); }
  void clear() { Reset(); }

  void push_back(bool null) {
    if (ownSize_ % 64 == 0) own_.push_back(0);
    if (null) own_.back() |= std::uint64_t{1} << (ownSize_ % 64);
    ++ownSize_;
  }
  void Set(std::size_t row, bool null) {
    if (row < borrowed_) {
      if ((*this)[row] == null) return;
      CopyBorrowed();
    }
    row -= borrowed_;
    const std::uint64_t mask = std::uint64_t{1} << (row % 64);
    own_[row / 64] = null ? own_[row / 64] | mask : own_[row / 64] & ~mask;
  }

  void EraseAt(std::size_t row) { EraseRows(&row, 1); }
  // Removes the rows at the ascending positions (all below size()).
  void EraseRows(const std::size_t* rows, std::size_t count) {
    if (count == 0) return;
    const bool run = rows[count - 1] - rows[0] == count - 1;
    if (rows[0] >= borrowed_) {
      EraseOwn(rows, count, borrowed_);
    } else if (run && rows[count - 1] + 1 == size()) {
      own_.clear();
      ownSize_ = 0;
      borrowed_ = rows[0];
    } else if (run && rows[0] == 0 && count <= borrowed_) {
      first_ += count;
      borrowed_ -= count;
    } else {
      CopyBorrowed();
      EraseOwn(rows, count, 0);
    }
    if (borrowed_ == 0) {
      bits_ = nullptr;
      first_ = 0;
    }
  }

  // Appends the map as (size() + 7) / 8 bytes, unused bits zero.
  void AppendBytes(std::string& out) const {
    const std::size_t at = out.size();
    out.resize(at + (size() + 7) / 8, '\0');
    char* bytes = out.data() + at;
    for (std::size_t row = 0; row < size(); ++row) {
      if (row < borrowed_ && bits_ == nullptr) {
        row = borrowed_ - 1;  // no null among the borrowed rows
        continue;
      }
      if ((*this)[row]) bytes[row / 8] = static_cast<char>(bytes[row / 8] | (1 << (row % 8)));
    }
  }

 private:
  void Reset() {
    bits_ = nullptr;
    first_ = 0;
    borrowed_ = 0;
    own_.clear();
    ownSize_ = 0;
  }
  void CopyBorrowed() {
    std::vector<std::uint64_t> words((size() + 63) / 64 + 1, 0);
    for (std::size_t row = 0; row < size(); ++row) {
      if ((*this)[row]) words[row / 64] |= std::uint64_t{1} << (row % 64);
    }
    words.resize((size() + 63) / 64);
    ownSize_ = size();
    own_ = std::move(words);
    bits_ = nullptr;
    first_ = 0;
    borrowed_ = 0;
  }
  bool OwnBit(std::size_t i) const { return ((own_[i / 64] >> (i % 64)) & 1) != 0; }
  void EraseOwn(const std::size_t* rows, std::size_t count, std::size_t base) {
    std::size_t to = rows[0] - base;
    std::size_t next = 0;
    for (std::size_t from = to; from < ownSize_; ++from) {
      if (next < count && rows[next] - base == from) {
        ++next;
        continue;
      }
      const std::uint64_t mask = std::uint64_t{1} << (to % 64);
      own_[to / 64] = OwnBit(from) ? own_[to / 64] | mask : own_[to / 64] & ~mask;
      ++to;
    }
    ownSize_ = to;
    own_.resize((to + 63) / 64);
    if (to % 64 != 0) own_.back() &= (std::uint64_t{1} << (to % 64)) - 1;
  }

  const char* bits_ = nullptr;
  std::size_t first_ = 0;
  std::size_t borrowed_ = 0;
  std::vector<std::uint64_t> own_;
  std::size_t ownSize_ = 0;
};

}  // namespace brenvik
