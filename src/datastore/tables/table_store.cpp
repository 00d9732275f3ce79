#include "datastore/tables/table_store.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "base/errors.h"
#include "base/utf8.h"

namespace brenvik {

const char* FieldTypeName(FieldType type) {
  switch (type) {
    case FieldType::DateTime:
      return "DateTime";
    case FieldType::Integer:
      return "Integer";
    case FieldType::Largeint:
      return "Largeint";
    case FieldType::Boolean:
      return "Boolean";
    case FieldType::Text:
      return "Text";
    case FieldType::Calculated:
      return "Calculated";
  }
  return "unknown";
}

std::uint32_t StringPool::Intern(std::string_view text) {
  for (; looked_up_ < strings_.size(); ++looked_up_) {
    ids_.emplace(std::string_view(strings_[looked_up_]), static_cast<std::uint32_t>(looked_up_));
  }
  const auto found = ids_.find(text);
  if (found != ids_.end()) return found->second;
  return AddRaw(std::string(text));
}

std::uint32_t StringPool::AddRaw(std::string text) {
  const auto id = static_cast<std::uint32_t>(strings_.size());
  strings_.push_back(std::move(text));
  return id;
}

void StringPool::Clear() {
  ids_.clear();
  strings_.clear();
  looked_up_ = 0;
}

TableStore::TableStore(std::string name, std::vector<FieldDef> fields)
    : name_(std::move(name)), fields_(std::move(fields)), columns_(fields_.size()) {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    columns_[i].type = fields_[i].type;
    for (std::size_t k = 0; k < i; ++k) {
      if (EqualsIgnoreCase(fields_[k].name, fields_[i].name)) {
        throw TableError("Table " + name_ + " has two fields named " + fields_[i].name);
      }
    }
  }
}

std::optional<FieldId> TableStore::FindField(std::string_view name) const {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (EqualsIgnoreCase(fields_[i].name, name)) return FieldId{static_cast<int>(i)};
  }
  return std::nullopt;
}

FieldId TableStore::Field(std::string_view name) const {
  if (auto id = FindField(name)) return *id;
  throw TableError("Table " + name_ + ": field '" + std::string(name) + "' not found");
}

namespace {

bool FitsInt32(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() &&
         v <= std::numeric_limits<std::int32_t>::max();
}

bool Fits(FieldType type, const FieldValue& value) {
  using Kind = FieldValue::Kind;
  if (value.IsNull()) return true;
  switch (type) {
    case FieldType::DateTime:
      return (value.kind() == Kind::Number && std::isfinite(value.number())) ||
             value.kind() == Kind::Int;
    case FieldType::Integer:
      return value.kind() == Kind::Int && FitsInt32(value.integer());
    case FieldType::Largeint:
      return value.kind() == Kind::Int;
    case FieldType::Boolean:
      return value.kind() == Kind::Bool;
    case FieldType::Text:
      return value.kind() == Kind::Text;
    case FieldType::Calculated:
      return false;
  }
  return false;
}

}  // namespace

void TableStore::CheckValue(FieldId id, const FieldValue& value) const {
  const FieldDef& def = Def(id);
  if (!Fits(def.type, value)) {
    throw TableError("Table " + name_ + ": value does not fit field " + def.name + " (" +
                     FieldTypeName(def.type) + ")");
  }
}

void TableStore::PushValue(Column& column, const FieldDef& def, const FieldValue& value) {
  if (def.type == FieldType::Calculated) return;
  column.nulls.push_back(value.IsNull());
  switch (def.type) {
    case FieldType::DateTime:
      column.reals.push_back(value.kind() == FieldValue::Kind::Int
                                 ? static_cast<double>(value.integer())
                                 : value.number());
      break;
    case FieldType::Integer:
      column.ints.push_back(static_cast<std::int32_t>(value.integer()));
      break;
    case FieldType::Largeint:
      column.longs.push_back(value.integer());
      break;
    case FieldType::Boolean:
      column.bools.push_back(value.boolean() ? 1 : 0);
      break;
    case FieldType::Text:
      column.texts.push_back(column.pool.Intern(CutToChars(value.text(), def.size)));
      break;
    case FieldType::Calculated:
      break;
  }
}

void TableStore::StoreValue(Column& column, const FieldDef& def, std::size_t row,
                            const FieldValue& value) {
  column.nulls.Set(row, value.IsNull());
  switch (def.type) {
    case FieldType::DateTime:
      column.reals.Set(row, value.kind() == FieldValue::Kind::Int
                                ? static_cast<double>(value.integer())
                                : value.number());
      break;
    case FieldType::Integer:
      column.ints.Set(row, static_cast<std::int32_t>(value.integer()));
      break;
    case FieldType::Largeint:
      column.longs.Set(row, value.integer());
      break;
    case FieldType::Boolean:
      column.bools.Set(row, value.boolean() ? 1 : 0);
      break;
    case FieldType::Text: {
      // The same text again keeps its id (and a column read in place stays so).
      const std::string text = CutToChars(value.text(), def.size);
      if (column.pool.At(column.texts[row]) != text)
        column.texts.Set(row, column.pool.Intern(text));
      break;
    }
    case FieldType::Calculated:
      break;
  }
}

void TableStore::AppendRow(const std::vector<FieldValue>& values) {
  if (values.size() > fields_.size()) {
    throw TableError("Table " + name_ + ": " + std::to_string(values.size()) + " values for " +
                     std::to_string(fields_.size()) + " fields");
  }
  for (std::size_t i = 0; i < values.size(); ++i)
    CheckValue(FieldId{static_cast<int>(i)}, values[i]);
  static const FieldValue kNull;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    PushValue(columns_[i], fields_[i], i < values.size() ? values[i] : kNull);
  }
  ++rowCount_;
  ++version_;
}

void TableStore::SetRow(std::size_t row, const std::vector<FieldValue>& values) {
  if (row >= rowCount_ || values.size() != fields_.size()) {
    throw TableError("Table " + name_ + ": cannot replace row " + std::to_string(row + 1));
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (fields_[i].type != FieldType::Calculated)
      CheckValue(FieldId{static_cast<int>(i)}, values[i]);
  }
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (columns_[i].Stored()) StoreValue(columns_[i], fields_[i], row, values[i]);
  }
  if (row < kept_) edited_.push_back(SavedRowAt(row));
  ++version_;
}

namespace {
template <typename V>
void EraseAt(V& v, std::size_t row) {
  if (v.size() > 0) v.EraseAt(row);
}
}  // namespace

void TableStore::EraseRow(std::size_t row) {
  if (row >= rowCount_) throw TableError("Table " + name_ + ": no row to delete");
  for (Column& c : columns_) {
    if (!c.Stored()) continue;
    EraseAt(c.nulls, row);
    EraseAt(c.reals, row);
    EraseAt(c.ints, row);
    EraseAt(c.longs, row);
    EraseAt(c.bools, row);
    EraseAt(c.texts, row);
  }
  NoteErased(row);
  --rowCount_;
  ++version_;
}

namespace {
// Removes the entries at the ascending positions from v.
template <typename V>
void EraseAll(V& v, const std::vector<std::size_t>& rows) {
  if (v.size() > 0) v.EraseRows(rows.data(), rows.size());
}
}  // namespace

void TableStore::EraseRows(const std::vector<std::size_t>& ascendingRows) {
  if (ascendingRows.empty()) return;
  for (std::size_t i = 0; i < ascendingRows.size(); ++i) {
    if (ascendingRows[i] >= rowCount_ || (i > 0 && ascendingRows[i] <= ascendingRows[i - 1])) {
      throw TableError("Table " + name_ + ": no such rows to delete");
    }
  }
  for (Column& c : columns_) {
    if (!c.Stored()) continue;
    EraseAll(c.nulls, ascendingRows);
    EraseAll(c.reals, ascendingRows);
    EraseAll(c.ints, ascendingRows);
    EraseAll(c.longs, ascendingRows);
    EraseAll(c.bools, ascendingRows);
    EraseAll(c.texts, ascendingRows);
  }
  NoteErasedRows(ascendingRows);
  rowCount_ -= ascendingRows.size();
  ++version_;
}

// Erased saved rows are kept ascending; erased[i] - i is then the number of
// saved rows before erased[i] that are still there, which does not decrease.
std::uint64_t TableStore::SavedRowAt(std::size_t row) const {
  std::size_t lo = 0;
  std::size_t hi = erased_.size();
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (erased_[mid] - mid <= row) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  return row + lo;
}

std::size_t TableStore::RowOfSaved(std::uint64_t savedRow) const {
  const auto before = std::lower_bound(erased_.begin(), erased_.end(), savedRow) - erased_.begin();
  return static_cast<std::size_t>(savedRow) - static_cast<std::size_t>(before);
}

void TableStore::NoteErased(std::size_t row) {
  if (row >= kept_) return;  // a row appended since the save
  const std::uint64_t saved = SavedRowAt(row);
  erased_.insert(std::lower_bound(erased_.begin(), erased_.end(), saved), saved);
  --kept_;
}

// The saved numbers of all the rows are found first, while the numbers of
// the rows before them are still valid, and merged into erased_ at once.
void TableStore::NoteErasedRows(const std::vector<std::size_t>& ascendingRows) {
  std::deque<std::uint64_t> saved;
  for (std::size_t row : ascendingRows) {
    if (row >= kept_) break;  // rows appended since the save
    saved.push_back(SavedRowAt(row));
  }
  if (saved.empty()) return;
  std::deque<std::uint64_t> merged;
  std::merge(erased_.begin(), erased_.end(), saved.begin(), saved.end(),
             std::back_inserter(merged));
  erased_ = std::move(merged);
  kept_ -= saved.size();
}

void TableStore::MarkSaved() {
  savedRows_ = rowCount_;
  kept_ = rowCount_;
  cleared_ = false;
  erased_.clear();
  edited_.clear();
}

bool TableStore::HasChanges() const {
  return cleared_ || !erased_.empty() || !edited_.empty() || rowCount_ > kept_;
}

std::vector<std::uint64_t> TableStore::EditedSinceSave() const {
  std::vector<std::uint64_t> rows = edited_;
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::erase_if(rows, [this](std::uint64_t r) {
    return std::binary_search(erased_.begin(), erased_.end(), r);
  });
  return rows;
}

void TableStore::Clear() {
  for (Column& c : columns_) {
    const FieldType type = c.type;
    c = Column{};
    c.type = type;
  }
  backing_.reset();
  rowCount_ = 0;
  ++version_;
  if (savedRows_ > 0) cleared_ = true;
  kept_ = 0;
  erased_.clear();
  edited_.clear();
}

void TableStore::ReplaceAll(std::vector<Column> columns, std::size_t rowCount,
                            std::shared_ptr<const void> backing) {
  columns_ = std::move(columns);
  backing_ = std::move(backing);
  rowCount_ = rowCount;
  ++version_;
  MarkSaved();
}

namespace {
[[noreturn]] void WrongType(const std::string& table, const FieldDef& def, const char* wanted) {
  throw TableError("Table " + table + ": field " + def.name + " is " + FieldTypeName(def.type) +
                   ", not " + wanted);
}
}  // namespace

void TableStore::ThrowWrongType(FieldId id, const char* wanted) const {
  WrongType(name_, Def(id), wanted);
}

std::int32_t TableStore::IntegerAt(std::size_t row, FieldId id) const {
  const Column& c = ColumnAt(id);
  if (c.type == FieldType::Integer) return c.nulls[row] ? 0 : c.ints[row];
  if (c.type == FieldType::Largeint) {
    const std::int64_t v = c.nulls[row] ? 0 : c.longs[row];
    if (!FitsInt32(v)) {
      throw TableError("Table " + name_ + ": value " + std::to_string(v) + " of field " +
                       Def(id).name + " is out of the Integer range");
    }
    return static_cast<std::int32_t>(v);
  }
  WrongType(name_, Def(id), "Integer");
}

const std::string& TableStore::TextAt(std::size_t row, FieldId id) const {
  static const std::string kEmpty;
  const Column& c = ColumnAt(id);
  if (c.type != FieldType::Text) WrongType(name_, Def(id), "Text");
  return c.nulls[row] ? kEmpty : c.pool.At(c.texts[row]);
}

FieldValue TableStore::ValueAt(std::size_t row, FieldId id) const {
  const Column& c = ColumnAt(id);
  if (!c.Stored() || c.nulls[row]) return FieldValue{};
  switch (c.type) {
    case FieldType::DateTime:
      return FieldValue(c.reals[row]);
    case FieldType::Integer:
      return FieldValue(c.ints[row]);
    case FieldType::Largeint:
      return FieldValue(c.longs[row]);
    case FieldType::Boolean:
      return FieldValue(c.bools[row] != 0);
    case FieldType::Text:
      return FieldValue(c.pool.At(c.texts[row]));
    case FieldType::Calculated:
      break;
  }
  return FieldValue{};
}

}  // namespace brenvik
