#include "datastore/tables/table_changes.h"

#include <vector>

namespace brenvik {
namespace {

std::size_t StoredFieldCount(const TableStore& store) {
  std::size_t n = 0;
  for (const FieldDef& f : store.Fields()) n += f.type != FieldType::Calculated ? 1 : 0;
  return n;
}

// A row: one bit per stored field (1 = null), then the value of each stored
// field that is not null.
void PutRow(std::string& out, const TableStore& store, std::size_t row) {
  const std::size_t at = out.size();
  out.append((StoredFieldCount(store) + 7) / 8, '\0');
  std::size_t bit = 0;
  for (std::size_t i = 0; i < store.Fields().size(); ++i) {
    const FieldId id{static_cast<int>(i)};
    const Column& c = store.ColumnAt(id);
    if (!c.Stored()) continue;
    if (c.nulls[row]) {
      out[at + bit / 8] = static_cast<char>(out[at + bit / 8] | (1 << (bit % 8)));
    } else {
      switch (c.type) {
        case FieldType::DateTime:
          PutDouble(out, c.reals[row]);
          break;
        case FieldType::Integer:
          PutLe(out, c.ints[row]);
          break;
        case FieldType::Largeint:
          PutLe(out, c.longs[row]);
          break;
        case FieldType::Boolean:
          out.push_back(static_cast<char>(c.bools[row]));
          break;
        case FieldType::Text:
          PutText(out, c.pool.At(c.texts[row]));
          break;
        case FieldType::Calculated:
          break;
      }
    }
    ++bit;
  }
}

std::vector<FieldValue> ReadRow(ByteReader& in, const TableStore& store) {
  const std::string_view bits = in.Raw((StoredFieldCount(store) + 7) / 8);
  std::vector<FieldValue> values(store.Fields().size());
  std::size_t bit = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const FieldType type = store.Fields()[i].type;
    if (type == FieldType::Calculated) continue;
    const bool null = (static_cast<unsigned char>(bits[bit / 8]) >> (bit % 8)) & 1;
    ++bit;
    if (null) continue;
    switch (type) {
      case FieldType::DateTime:
        values[i] = FieldValue(in.Double());
        break;
      case FieldType::Integer:
        values[i] = FieldValue(in.Le<std::int32_t>());
        break;
      case FieldType::Largeint:
        values[i] = FieldValue(in.Le<std::int64_t>());
        break;
      case FieldType::Boolean: {
        const std::uint8_t b = in.Byte();
        if (b > 1) in.Fail("a Boolean value is neither true nor false");
        values[i] = FieldValue(b == 1);
        break;
      }
      case FieldType::Text:
        values[i] = FieldValue(in.Text());
        break;
      case FieldType::Calculated:
        break;
    }
  }
  return values;
}

}  // namespace

void EncodeTableChanges(const TableStore& store, std::string& out) {
  PutLe(out, static_cast<std::uint64_t>(store.SavedRowCount()));
  out.push_back(store.ClearedSinceSave() ? 1 : 0);
  const auto& erased = store.ErasedSinceSave();
  PutLe(out, static_cast<std::uint64_t>(erased.size()));
  for (std::uint64_t row : erased) PutLe(out, row);
  const std::vector<std::uint64_t> edited = store.EditedSinceSave();
  PutLe(out, static_cast<std::uint64_t>(edited.size()));
  for (std::uint64_t row : edited) {
    PutLe(out, row);
    PutRow(out, store, store.RowOfSaved(row));
  }
  PutLe(out, static_cast<std::uint64_t>(store.RowCount() - store.KeptRows()));
  for (std::size_t row = store.KeptRows(); row < store.RowCount(); ++row) PutRow(out, store, row);
}

void ApplyTableChanges(ByteReader& in, TableStore& store) {
  const auto rowsBefore = in.Le<std::uint64_t>();
  if (rowsBefore != store.RowCount())
    in.Fail("the changes of " + store.Name() + " do not fit its rows");
  const std::uint8_t cleared = in.Byte();
  if (cleared > 1) in.Fail("a Boolean value is neither true nor false");

  std::vector<std::size_t> erased(in.Count(8));
  for (std::size_t i = 0; i < erased.size(); ++i) {
    erased[i] = static_cast<std::size_t>(in.Le<std::uint64_t>());
    if (erased[i] >= rowsBefore || (i > 0 && erased[i] <= erased[i - 1])) {
      in.Fail("the changes of " + store.Name() + " erase rows that are not there");
    }
  }
  const std::uint64_t editedCount = in.Count(9);
  for (std::uint64_t i = 0; i < editedCount; ++i) {
    const auto row = in.Le<std::uint64_t>();
    if (row >= rowsBefore)
      in.Fail("the changes of " + store.Name() + " edit a row that is not there");
    store.SetRow(static_cast<std::size_t>(row), ReadRow(in, store));
  }
  if (cleared) store.Clear();
  store.EraseRows(erased);
  const std::uint64_t appended = in.Count(1);
  for (std::uint64_t i = 0; i < appended; ++i) store.AppendRow(ReadRow(in, store));
}

}  // namespace brenvik
