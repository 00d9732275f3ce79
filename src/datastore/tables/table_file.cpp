#include "datastore/tables/table_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <type_traits>
#include <vector>

#include "base/errors.h"
#include "base/huge_pages.h"
#include "base/utf8.h"
#include "datastore/tables/byte_codec.h"

namespace brenvik {
namespace {

// ---- writing ----

// Only the pool entries that rows use are written, renumbered in order.
void PutTextColumn(std::string& out, const Column& c) {
  std::vector<std::uint32_t> remap(c.pool.size(), UINT32_MAX);
  for (std::size_t row = 0; row < c.texts.size(); ++row) remap[c.texts[row]] = 0;
  std::uint32_t next = 0;
  for (std::uint32_t& r : remap) {
    if (r == 0) r = next++;
  }
  PutLe(out, next);
  for (std::uint32_t id = 0; id < remap.size(); ++id) {
    if (remap[id] != UINT32_MAX) PutText(out, c.pool.At(id));
  }
  std::vector<std::uint32_t> ids(c.texts.size());
  for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = remap[c.texts[i]];
  PutArray(out, ids);
}

std::size_t EstimateSize(const TableStore& store) {
  std::size_t perRow = 0;
  for (const FieldDef& f : store.Fields()) {
    if (f.type == FieldType::DateTime || f.type == FieldType::Largeint) perRow += 8;
    if (f.type == FieldType::Integer || f.type == FieldType::Text) perRow += 4;
    if (f.type == FieldType::Boolean) perRow += 1;
    if (f.type != FieldType::Calculated) perRow += 1;
  }
  return 1024 + perRow * store.RowCount();
}

}  // namespace

std::string EncodeTable(const TableStore& store, std::uint64_t seq) {
  std::string out;
  out.reserve(EstimateSize(store));
  out.append(kTableFileMagic);
  PutLe(out, kTableFormatVersion);
  PutLe(out, seq);
  PutText(out, store.Name());
  PutLe(out, static_cast<std::uint32_t>(store.Fields().size()));
  for (const FieldDef& f : store.Fields()) {
    PutText(out, f.name);
    out.push_back(static_cast<char>(f.type));
    PutLe(out, f.size);
  }
  PutLe(out, static_cast<std::uint64_t>(store.RowCount()));
  for (std::size_t i = 0; i < store.Fields().size(); ++i) {
    const Column& c = store.ColumnAt(FieldId{static_cast<int>(i)});
    if (!c.Stored()) continue;
    c.nulls.AppendBytes(out);
    switch (c.type) {
      case FieldType::DateTime:
        c.reals.AppendLe(out);
        break;
      case FieldType::Integer:
        c.ints.AppendLe(out);
        break;
      case FieldType::Largeint:
        c.longs.AppendLe(out);
        break;
      case FieldType::Boolean:
        c.bools.AppendLe(out);
        break;
      case FieldType::Text:
        PutTextColumn(out, c);
        break;
      case FieldType::Calculated:
        break;
    }
  }
  PutLe(out, Crc32(out));
  return out;
}

namespace {

// ---- reading ----

// Room for the rows that the passes append after the open, so that the
// first of them does not move a whole column of a large table.
std::size_t WithRoom(std::size_t rows) { return rows + rows / 64 + 64; }

// Only the stored fields must match: a calculated field has no column, so a
// file written before one was added to the schema, or after one was dropped,
// holds exactly the columns the table reads.
void ReadSchema(ByteReader& in, const TableStore& store) {
  if (!EqualsIgnoreCase(in.Text(), store.Name())) in.Fail("it belongs to another table");
  std::vector<const FieldDef*> stored;
  for (const FieldDef& f : store.Fields()) {
    if (f.type != FieldType::Calculated) stored.push_back(&f);
  }
  const auto count = in.Le<std::uint32_t>();
  std::size_t matched = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::string name = in.Text();
    const auto type = static_cast<FieldType>(in.Byte());
    const auto size = in.Le<std::uint32_t>();
    if (type == FieldType::Calculated) continue;
    if (matched == stored.size() || !EqualsIgnoreCase(name, stored[matched]->name) ||
        type != stored[matched]->type || size != stored[matched]->size) {
      in.Fail("it has another schema");
    }
    ++matched;
  }
  if (matched != stored.size()) in.Fail("it has another schema");
}

// Where the bytes outlive the table's rows (borrow), a column reads them in
// place; otherwise it takes a copy.
template <typename T>
void ReadValues(ByteReader& in, ColumnValues<T>& values, std::size_t rows, bool borrow) {
  const std::string_view bytes = in.Raw(in.ArrayBytes<T>(rows));
  if (borrow && ColumnValues<T>::kCanBorrow) {
    values.Borrow(bytes.data(), rows);
  } else {
    values.reserve(WithRoom(rows));
    values.Assign(LeValues<T>(bytes.data()), LeValues<T>(bytes.data() + bytes.size()));
    AdviseHugePagesFor(values.Own());
  }
}

void ReadNullMap(ByteReader& in, NullMap& nulls, std::size_t rows, bool borrow) {
  const std::string_view bits = in.Raw((rows + 7) / 8);
  if (borrow) {
    nulls.Borrow(bits.data(), rows);
  } else {
    nulls.reserve(WithRoom(rows));
    nulls.Assign(bits.data(), rows);
  }
}

void ReadTextColumn(ByteReader& in, Column& c, std::size_t rows, bool borrow) {
  const auto count = in.Le<std::uint32_t>();
  if (count > in.Left() / 4) in.Fail("a text list is longer than the file");
  for (std::uint32_t i = 0; i < count; ++i) c.pool.AddRaw(in.Text());
  ReadValues(in, c.texts, rows, borrow);
  for (std::size_t row = 0; row < rows; ++row) {
    if (c.texts[row] >= count) in.Fail("a row refers to a text that is not there");
  }
}

// The fewest bytes the columns of rows rows can take (a text column holds
// at least its count and an index per row), so that nothing is reserved for
// rows that are not there.
std::size_t ColumnBytes(const TableStore& store, std::size_t rows) {
  std::size_t bytes = 0;
  for (const FieldDef& f : store.Fields()) {
    if (f.type == FieldType::Calculated) continue;
    bytes += (rows + 7) / 8;
    switch (f.type) {
      case FieldType::DateTime:
      case FieldType::Largeint:
        bytes += rows * 8;
        break;
      case FieldType::Integer:
        bytes += rows * 4;
        break;
      case FieldType::Boolean:
        bytes += rows;
        break;
      case FieldType::Text:
        bytes += 4 + rows * 4;
        break;
      case FieldType::Calculated:
        break;
    }
  }
  return bytes;
}

void ReadColumn(ByteReader& in, Column& c, std::size_t rows, bool borrow) {
  ReadNullMap(in, c.nulls, rows, borrow);
  switch (c.type) {
    case FieldType::DateTime:
      ReadValues(in, c.reals, rows, borrow);
      break;
    case FieldType::Integer:
      ReadValues(in, c.ints, rows, borrow);
      break;
    case FieldType::Largeint:
      ReadValues(in, c.longs, rows, borrow);
      break;
    case FieldType::Boolean: {
      const std::size_t at = in.Position();
      ReadValues(in, c.bools, rows, borrow);
      const std::string_view bytes = in.Bytes().substr(at, rows);
      if (std::any_of(bytes.begin(), bytes.end(), [](char b) { return b != 0 && b != 1; })) {
        in.Fail("a Boolean value is neither true nor false");
      }
      break;
    }
    case FieldType::Text:
      ReadTextColumn(in, c, rows, borrow);
      break;
    case FieldType::Calculated:
      break;
  }
}

}  // namespace

std::uint64_t DecodeTable(std::string_view bytes, TableStore& store,
                          std::shared_ptr<const void> keepAlive) {
  const bool borrow = keepAlive != nullptr;
  const std::string context = "Table file of " + store.Name() + " cannot be opened";
  ByteReader in(bytes, context);
  if (bytes.size() < kTableFileMagic.size() + 8 || bytes.substr(0, 8) != kTableFileMagic) {
    in.Fail("it is not a table file");
  }
  const std::string_view body = bytes.substr(0, bytes.size() - 4);
  ByteReader trailer(bytes.substr(bytes.size() - 4), context);
  if (trailer.Le<std::uint32_t>() != Crc32(body)) in.Fail("its checksum does not match");

  ByteReader r(body, context);
  r.Raw(kTableFileMagic.size());
  const auto version = r.Le<std::uint32_t>();
  if (version != kTableFormatVersion && version != kFirstTableFormatVersion) {
    r.Fail("format version " + std::to_string(version) + " is not known");
  }
  const std::uint64_t seq = version == kFirstTableFormatVersion ? 0 : r.Le<std::uint64_t>();
  ReadSchema(r, store);
  const auto rows64 = r.Le<std::uint64_t>();
  // Every stored field takes at least one byte per row.
  if (rows64 > r.Left()) r.Fail("it claims more rows than it holds");
  const auto rows = static_cast<std::size_t>(rows64);
  if (ColumnBytes(store, rows) > r.Left()) r.Fail("it claims more rows than it holds");

  std::vector<Column> columns(store.Fields().size());
  for (std::size_t i = 0; i < columns.size(); ++i) {
    columns[i].type = store.Fields()[i].type;
    if (columns[i].Stored()) ReadColumn(r, columns[i], rows, borrow);
  }
  if (r.Left() != 0) r.Fail("it has bytes after its rows");
  store.ReplaceAll(std::move(columns), rows, std::move(keepAlive));
  return seq;
}

}  // namespace brenvik
