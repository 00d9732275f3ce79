// Little-endian byte writing and bounds-checked reading, shared by the table
// file and the change log (docs/table-format.md). ByteReader never reads past
// the bytes it was given: every read that does not fit raises TableError with
// the context text in front of the reason.
#pragma once

#include <bit>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "base/errors.h"

namespace brenvik {

template <typename T>
void PutLe(std::string& out, T value) {
  using U = std::make_unsigned_t<T>;
  auto u = static_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

inline void PutDouble(std::string& out, double value) {
  PutLe(out, std::bit_cast<std::uint64_t>(value));
}

inline void PutText(std::string& out, std::string_view text) {
  PutLe(out, static_cast<std::uint32_t>(text.size()));
  out.append(text);
}

// Appends the values as little-endian bytes.
template <typename T>
void PutArray(std::string& out, const std::vector<T>& values) {
  if constexpr (std::endian::native == std::endian::little) {
    const std::size_t at = out.size();
    out.resize(at + values.size() * sizeof(T));
    if (!values.empty()) std::memcpy(out.data() + at, values.data(), values.size() * sizeof(T));
  } else {
    for (const T& v : values) {
      if constexpr (std::is_floating_point_v<T>) {
        PutDouble(out, v);
      } else {
        PutLe(out, v);
      }
    }
  }
}

// Values of type T stored little-endian one after another, read as a range
// (the bytes need not be aligned for T).
template <typename T>
class LeValues {
 public:
  using iterator_category = std::random_access_iterator_tag;
  using value_type = T;
  using difference_type = std::ptrdiff_t;
  using pointer = const T*;
  using reference = T;

  explicit LeValues(const char* at) : at_(at) {}
  T operator*() const {
    if constexpr (std::endian::native == std::endian::little) {
      T value;
      std::memcpy(&value, at_, sizeof(T));
      return value;
    } else {
      std::make_unsigned_t<std::conditional_t<std::is_floating_point_v<T>, std::uint64_t, T>> u = 0;
      for (std::size_t i = 0; i < sizeof(T); ++i) {
        u |= static_cast<decltype(u)>(static_cast<unsigned char>(at_[i])) << (8 * i);
      }
      if constexpr (std::is_floating_point_v<T>) {
        return std::bit_cast<T>(u);
      } else {
        return static_cast<T>(u);
      }
    }
  }
  T operator[](difference_type i) const { return *(*this + i); }
  LeValues& operator++() {
    at_ += sizeof(T);
    return *this;
  }
  LeValues operator++(int) {
    LeValues old = *this;
    ++*this;
    return old;
  }
  LeValues& operator--() {
    at_ -= sizeof(T);
    return *this;
  }
  LeValues operator--(int) {
    LeValues old = *this;
    --*this;
    return old;
  }
  LeValues& operator+=(difference_type n) {
    at_ += n * static_cast<difference_type>(sizeof(T));
    return *this;
  }
  LeValues& operator-=(difference_type n) { return *this += -n; }
  friend LeValues operator+(LeValues it, difference_type n) { return it += n; }
  friend LeValues operator+(difference_type n, LeValues it) { return it += n; }
  friend LeValues operator-(LeValues it, difference_type n) { return it -= n; }
  friend difference_type operator-(const LeValues& a, const LeValues& b) {
    return (a.at_ - b.at_) / static_cast<difference_type>(sizeof(T));
  }
  friend auto operator<=>(const LeValues& a, const LeValues& b) = default;

 private:
  const char* at_;
};

class ByteReader {
 public:
  // context: the start of every error text ("Table file of DataSetHistory
  // cannot be opened").
  ByteReader(std::string_view bytes, std::string context)
      : bytes_(bytes), context_(std::move(context)) {}

  [[noreturn]] void Fail(const std::string& why) const { throw TableError(context_ + ": " + why); }
  void Need(std::size_t n) const {
    if (n > bytes_.size() - pos_) Fail("it ends too early");
  }
  template <typename T>
  T Le() {
    Need(sizeof(T));
    std::make_unsigned_t<T> u = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      u |= static_cast<std::make_unsigned_t<T>>(static_cast<unsigned char>(bytes_[pos_ + i]))
           << (8 * i);
    }
    pos_ += sizeof(T);
    return static_cast<T>(u);
  }
  std::uint8_t Byte() { return Le<std::uint8_t>(); }
  double Double() { return std::bit_cast<double>(Le<std::uint64_t>()); }
  std::string_view Raw(std::size_t n) {
    Need(n);
    std::string_view s = bytes_.substr(pos_, n);
    pos_ += n;
    return s;
  }
  std::string Text() { return std::string(Raw(Le<std::uint32_t>())); }
  // A count of items that each take at least itemBytes bytes; refused when
  // that many could not fit in what is left.
  std::uint64_t Count(std::size_t itemBytes) {
    const auto n = Le<std::uint64_t>();
    if (itemBytes > 0 && n > Left() / itemBytes)
      Fail("a count is larger than the bytes that follow");
    return n;
  }
  // The bytes of n values of type T; refused when they are not all there.
  template <typename T>
  std::size_t ArrayBytes(std::size_t n) const {
    if (n > Left() / sizeof(T)) Fail("it ends too early");
    return n * sizeof(T);
  }
  std::string_view Bytes() const { return bytes_; }
  template <typename T>
  void Array(std::vector<T>& values, std::size_t n) {
    if (n > Left() / sizeof(T)) Fail("it ends too early");
    // Assigning from a range sizes the vector once without first filling it
    // with zeros (a column of a large table is megabytes).
    const char* from = bytes_.data() + pos_;
    values.assign(LeValues<T>(from), LeValues<T>(from + n * sizeof(T)));
    pos_ += n * sizeof(T);
  }
  std::size_t Left() const { return bytes_.size() - pos_; }
  std::size_t Position() const { return pos_; }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
  std::string context_;
};

}  // namespace brenvik
