#include "datastore/tables/column_values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace brenvik {
namespace {

// Little-endian bytes of values, as a table file holds them.
template <typename T>
std::string LeBytes(const std::vector<T>& values) {
  std::string bytes;
  ColumnValues<T> column;
  column.Assign(values.begin(), values.end());
  column.AppendLe(bytes);
  return bytes;
}

// The bit map of a table file: bit i of byte i / 8 set for a null.
std::string MapBytes(const std::vector<bool>& nulls) {
  std::string bytes((nulls.size() + 7) / 8, '\0');
  for (std::size_t i = 0; i < nulls.size(); ++i) {
    if (nulls[i]) bytes[i / 8] = static_cast<char>(bytes[i / 8] | (1 << (i % 8)));
  }
  return bytes;
}

template <typename Column, typename Model>
void ExpectSame(const Column& column, const Model& model, const std::string& step) {
  ASSERT_EQ(column.size(), model.size()) << step;
  for (std::size_t row = 0; row < model.size(); ++row)
    ASSERT_EQ(column[row], model[row]) << step << " row " << row;
}

// Random appends, changes and erasures (single rows, the last rows, the
// first rows, scattered rows) give the same values as a plain vector, and
// never change the borrowed bytes.
TEST(ColumnValuesTest, ChangesOfABorrowedColumnMatchAPlainVectorAndLeaveTheBytes) {
  std::mt19937 random(24);
  for (int round = 0; round < 40; ++round) {
    std::vector<std::int64_t> model(random() % 300);
    for (auto& v : model) v = static_cast<std::int64_t>(random()) - 0x7FFFFFFF;
    std::vector<bool> nullModel(model.size());
    for (std::size_t i = 0; i < nullModel.size(); ++i)
      nullModel[i] = round % 3 != 0 && random() % 5 == 0;
    const std::string bytes = LeBytes(model);
    const std::string bits = MapBytes(nullModel);
    const std::string bytesBefore = bytes;
    const std::string bitsBefore = bits;
    ColumnValues<std::int64_t> column;
    column.Borrow(bytes.data(), model.size());
    NullMap nulls;
    nulls.Borrow(bits.data(), nullModel.size());
    for (int step = 0; step < 30; ++step) {
      const int op = static_cast<int>(random() % 6);
      const std::size_t n = model.size();
      if (op == 0 || n == 0) {
        const std::int64_t v = random();
        column.push_back(v);
        model.push_back(v);
        nulls.push_back(v % 2 == 0);
        nullModel.push_back(v % 2 == 0);
      } else if (op == 1) {
        const std::size_t row = random() % n;
        column.Set(row, -step);
        model[row] = -step;
        nulls.Set(row, step % 2 == 0);
        nullModel[row] = step % 2 == 0;
      } else {
        std::vector<std::size_t> rows;
        const std::size_t k = 1 + random() % std::min<std::size_t>(n, 5);
        if (op == 2) {
          for (std::size_t i = n - k; i < n; ++i) rows.push_back(i);
        } else if (op == 3) {
          for (std::size_t i = 0; i < k; ++i) rows.push_back(i);
        } else {
          for (std::size_t i = 0; i < n; ++i) {
            if (random() % 7 == 0) rows.push_back(i);
          }
          if (rows.empty()) rows.push_back(random() % n);
        }
        if (op == 5 && rows.size() == 1) {
          column.EraseAt(rows[0]);
          nulls.EraseAt(rows[0]);
        } else {
          column.EraseRows(rows.data(), rows.size());
          nulls.EraseRows(rows.data(), rows.size());
        }
        for (std::size_t i = rows.size(); i-- > 0;) {
          model.erase(model.begin() + static_cast<std::ptrdiff_t>(rows[i]));
          nullModel.erase(nullModel.begin() + static_cast<std::ptrdiff_t>(rows[i]));
        }
      }
      const std::string where = "round " + std::to_string(round) + " step " + std::to_string(step);
      ExpectSame(column, model, where);
      ExpectSame(nulls, nullModel, where);
      std::string written;
      column.AppendLe(written);
      ASSERT_EQ(written, LeBytes(model)) << where;
      written.clear();
      nulls.AppendBytes(written);
      ASSERT_EQ(written, MapBytes(nullModel)) << where;
    }
    EXPECT_EQ(bytes, bytesBefore);
    EXPECT_EQ(bits, bitsBefore);
  }
}

// Erasing the last rows or the first rows reads on in place; only a change
// inside the borrowed rows copies them.
TEST(ColumnValuesTest, OnlyAChangeInsideTheBorrowedRowsCopiesThem) {
  const std::vector<double> values{1.5, 2.5, 3.5, 4.5, 5.5};
  const std::string bytes = LeBytes(values);
  ColumnValues<double> column;
  column.Borrow(bytes.data(), values.size());
  column.push_back(6.5);
  const std::size_t lastTwo[] = {4, 5};
  column.EraseRows(lastTwo, 2);
  const std::size_t first[] = {0};
  column.EraseRows(first, 1);
  EXPECT_TRUE(column.Borrowing());
  EXPECT_EQ(column.size(), 3u);
  EXPECT_EQ(column[0], 2.5);
  column.push_back(9.5);
  column.Set(3, 8.5);  // an appended row
  EXPECT_TRUE(column.Borrowing());
  column.Set(1, 0.5);
  EXPECT_FALSE(column.Borrowing());
  ExpectSame(column, std::vector<double>{2.5, 0.5, 4.5, 8.5}, "after copy");
}

// Maps of every length around the byte and word boundaries, with nulls at
// the first row, the last row and each boundary, come back bit for bit,
// borrowed or copied; unused bits of the last byte are ignored on reading
// and written as zero.
TEST(NullMapTest, MapsAroundByteAndWordBoundariesRoundTrip) {
  for (std::size_t rows : {0u, 1u, 7u, 8u, 9u, 63u, 64u, 65u, 128u, 130u}) {
    std::vector<bool> model(rows);
    for (std::size_t row : {0u, 7u, 8u, 63u, 64u}) {
      if (row < rows) model[row] = true;
    }
    if (rows > 0) model[rows - 1] = true;
    std::string bits = MapBytes(model);
    if (rows % 8 != 0) bits.back() = static_cast<char>(bits.back() | (0xFF << (rows % 8)));
    NullMap borrowed;
    borrowed.Borrow(bits.data(), rows);
    NullMap copied;
    copied.Assign(bits.data(), rows);
    const std::string where = std::to_string(rows) + " rows";
    ExpectSame(borrowed, model, where);
    ExpectSame(copied, model, where);
    std::string out;
    borrowed.AppendBytes(out);
    EXPECT_EQ(out, MapBytes(model)) << where;
    out.clear();
    copied.AppendBytes(out);
    EXPECT_EQ(out, MapBytes(model)) << where;
  }
}

// A map whose only set bits lie past its last row has no null, and setting a
// null in it copies the map without disturbing the others.
TEST(NullMapTest, AMapWithoutNullsTakesANullLater) {
  const std::string bits(9, '\0');
  NullMap nulls;
  nulls.Borrow(bits.data(), 70);
  nulls.Set(5, false);
  EXPECT_TRUE(nulls.Borrowing());
  nulls.Set(69, true);
  EXPECT_FALSE(nulls.Borrowing());
  for (std::size_t row = 0; row < 70; ++row) EXPECT_EQ(nulls[row], row == 69) << row;
  const std::string padding("\0\0\0\0\0\0\0\0\xF0", 9);
  NullMap none;
  none.Borrow(padding.data(), 68);
  for (std::size_t row = 0; row < 68; ++row) EXPECT_FALSE(none[row]) << row;
}

}  // namespace
}  // namespace brenvik
