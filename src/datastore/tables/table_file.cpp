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

void PutNullMap(std::string& out, const std::vector<std::uint8_t>& nulls) {
  std::string bits((nulls.size() + 7) / 8, '\0');
  for (std::size_t i = 0; i < nulls.size(); ++i) {
    if (nulls[i]) bits[i / 8] = static_cast<char>(bits[i / 8] | (1 << (i % 8)));
  }
  out += bits;
}

// Only the pool entries that rows use are written, renumbered in order.
void PutTextColumn(std::string& out, const Column& c) {
  std::vector<std::uint32_t> remap(c.pool.size(), UINT32_MAX);
  for (std::uint32_t id : c.texts) remap[id] = 0;
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
    PutNullMap(out, c.nulls);
    switch (c.type) {
      case FieldType::DateTime:
        PutArray(out, c.reals);
        break;
      case FieldType::Integer:
        PutArray(out, c.ints);
        break;
      case FieldType::Largeint:
        PutArray(out, c.longs);
        break;
      case FieldType::Boolean:
        PutArray(out, c.bools);
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

void ReadSchema(ByteReader& in, const TableStore& store) {
  if (!EqualsIgnoreCase(in.Text(), store.Name())) in.Fail("it belongs to another table");
  const auto count = in.Le<std::uint32_t>();
  if (count != store.Fields().size()) in.Fail("it has another schema");
  for (const FieldDef& f : store.Fields()) {
    const std::string name = in.Text();
    const auto type = static_cast<FieldType>(in.Byte());
    const auto size = in.Le<std::uint32_t>();
    if (!EqualsIgnoreCase(name, f.name) || type != f.type || size != f.size) {
      in.Fail("it has another schema");
    }
  }
}

void ReadNullMap(ByteReader& in, Column& c, std::size_t rows) {
  const std::string_view bits = in.Raw((rows + 7) / 8);
  c.nulls.assign(rows, 0);
  // Most columns have no nulls at all: only bytes with a bit set are spread.
  for (std::size_t byte = 0; byte < bits.size(); ++byte) {
    const auto set = static_cast<unsigned char>(bits[byte]);
    if (set == 0) continue;
    const std::size_t first = byte * 8;
    for (std::size_t i = first; i < std::min(first + 8, rows); ++i)
      c.nulls[i] = (set >> (i - first)) & 1;
  }
}

void ReadTextColumn(ByteReader& in, Column& c, std::size_t rows) {
  const auto count = in.Le<std::uint32_t>();
  if (count > in.Left() / 4) in.Fail("a text list is longer than the file");
  for (std::uint32_t i = 0; i < count; ++i) c.pool.AddRaw(in.Text());
  in.Array(c.texts, rows);
  for (std::uint32_t id : c.texts) {
    if (id >= count) in.Fail("a row refers to a text that is not there");
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

// Room for the rows that the passes append after the open, so that the
// first of them does not move a whole column of a large table.
std::size_t WithRoom(std::size_t rows) { return rows + rows / 64 + 64; }

void ReserveColumn(Column& c, std::size_t rows) {
  const std::size_t room = WithRoom(rows);
  c.nulls.reserve(room);
  switch (c.type) {
    case FieldType::DateTime:
      c.reals.reserve(room);
      break;
    case FieldType::Integer:
      c.ints.reserve(room);
      break;
    case FieldType::Largeint:
      c.longs.reserve(room);
      break;
    case FieldType::Boolean:
      c.bools.reserve(room);
      break;
    case FieldType::Text:
      c.texts.reserve(room);
      break;
    case FieldType::Calculated:
      break;
  }
  AdviseHugePagesFor(c.nulls);
  AdviseHugePagesFor(c.reals);
  AdviseHugePagesFor(c.ints);
  AdviseHugePagesFor(c.longs);
  AdviseHugePagesFor(c.bools);
  AdviseHugePagesFor(c.texts);
}

void ReadColumn(ByteReader& in, Column& c, std::size_t rows) {
  ReserveColumn(c, rows);
  ReadNullMap(in, c, rows);
  switch (c.type) {
    case FieldType::DateTime:
      in.Array(c.reals, rows);
      break;
    case FieldType::Integer:
      in.Array(c.ints, rows);
      break;
    case FieldType::Largeint:
      in.Array(c.longs, rows);
      break;
    case FieldType::Boolean:
      in.Array(c.bools, rows);
      for (std::uint8_t& b : c.bools) {
        if (b > 1) in.Fail("a Boolean value is neither true nor false");
      }
      break;
    case FieldType::Text:
      ReadTextColumn(in, c, rows);
      break;
    case FieldType::Calculated:
      break;
  }
}

}  // namespace

std::uint64_t DecodeTable(std::string_view bytes, TableStore& store) {
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
    if (columns[i].Stored()) ReadColumn(r, columns[i], rows);
  }
  if (r.Left() != 0) r.Fail("it has bytes after its rows");
  store.ReplaceAll(std::move(columns), rows);
  return seq;
}

}  // namespace brenvik
