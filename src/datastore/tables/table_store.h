// The rows of one table: its schema of typed fields and the stored values,
// kept column by column in append order. Cursors (table.h) read and change
// rows through this store; the file codec (table_file.h) reads and writes it
// whole. Calculated fields have a place in the schema but no stored values.
//
// Texts of a column live once in the column's pool and rows hold pool ids, so
// a program path that fills a million rows is kept (and saved) once. Every
// change increases Version(), which is how cursors know that their sorted and
// filtered views are out of date.
//
// The store also keeps what changed since its rows were last saved (the
// change log writes only that, table_changes.h): rows never move except by
// erasure and are only appended at the end, so the rows now are the saved
// rows that were not erased, in their order, followed by the rows appended
// since. Saved rows keep the numbers they had when saved.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "datastore/tables/column_values.h"
#include "records/date_time.h"

namespace brenvik {

enum class FieldType : std::uint8_t {
  DateTime = 1,
  Integer = 2,   // 32-bit signed
  Largeint = 3,  // 64-bit signed
  Boolean = 4,
  Text = 5,        // at most size characters; longer values are cut
  Calculated = 6,  // text of at most size characters, computed per cursor
};

const char* FieldTypeName(FieldType type);

struct FieldDef {
  std::string name;
  FieldType type = FieldType::Integer;
  std::uint32_t size = 0;  // characters, for Text and Calculated
  bool operator==(const FieldDef&) const = default;
};

// A field resolved once by name; valid for every cursor over the same schema.
struct FieldId {
  int index = -1;
  bool operator==(const FieldId&) const = default;
};

// A value handed to a field: null, a number, an integer, a Boolean or a text.
// Integers fit Integer, Largeint and DateTime fields; numbers fit DateTime.
class FieldValue {
 public:
  enum class Kind : std::uint8_t { Null, Number, Int, Bool, Text };

  FieldValue() = default;
  FieldValue(double number) : kind_(Kind::Number), number_(number) {}
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) FieldValue(T value)
      : kind_(Kind::Int), int_(static_cast<std::int64_t>(value)) {}
  FieldValue(bool value) : kind_(Kind::Bool), int_(value ? 1 : 0) {}
  FieldValue(std::string text) : kind_(Kind::Text), text_(std::move(text)) {}
  FieldValue(std::string_view text) : kind_(Kind::Text), text_(text) {}
  FieldValue(const char* text) : kind_(Kind::Text), text_(text) {}

  Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::Null; }
  double number() const { return number_; }
  std::int64_t integer() const { return int_; }
  bool boolean() const { return int_ != 0; }
  const std::string& text() const { return text_; }

 private:
  Kind kind_ = Kind::Null;
  double number_ = 0;
  std::int64_t int_ = 0;
  std::string text_;
};

// Distinct texts of one column, each with a stable id.
class StringPool {
 public:
  std::uint32_t Intern(std::string_view text);
  // Adds without looking for an equal entry (file loading); duplicates may
  // then exist and Intern finds the first. The lookup of texts is built on
  // the first Intern, so a pool that is only read never builds it.
  std::uint32_t AddRaw(std::string text);
  const std::string& At(std::uint32_t id) const { return strings_[id]; }
  std::size_t size() const { return strings_.size(); }
  void Clear();

 private:
  std::deque<std::string> strings_;  // a deque never moves its elements
  std::unordered_map<std::string_view, std::uint32_t> ids_;
  std::size_t looked_up_ = 0;  // strings_[0, looked_up_) are in ids_
};

// The stored values of one field. Only the values of the field's type are
// used (column_values.h: they may be read in place from a table file).
struct Column {
  FieldType type = FieldType::Integer;
  NullMap nulls;                      // set = null
  ColumnValues<double> reals;         // DateTime
  ColumnValues<std::int32_t> ints;    // Integer
  ColumnValues<std::int64_t> longs;   // Largeint
  ColumnValues<std::uint8_t> bools;   // Boolean
  ColumnValues<std::uint32_t> texts;  // Text: pool ids
  StringPool pool;

  bool Stored() const { return type != FieldType::Calculated; }
};

class TableStore {
 public:
  TableStore(std::string name, std::vector<FieldDef> fields);

  const std::string& Name() const { return name_; }
  const std::vector<FieldDef>& Fields() const { return fields_; }
  std::optional<FieldId> FindField(std::string_view name) const;
  // TableError naming the table and the field when there is no such field.
  FieldId Field(std::string_view name) const;
  const FieldDef& Def(FieldId id) const { return fields_[static_cast<std::size_t>(id.index)]; }

  std::size_t RowCount() const { return rowCount_; }
  std::uint64_t Version() const { return version_; }

  // Appends one row: values in field order (fewer values leave the rest
  // null; calculated fields take only null). TableError for a value that does
  // not fit its field; the table is then unchanged.
  void AppendRow(const std::vector<FieldValue>& values);
  // Replaces the stored values of one row (same rules as AppendRow, but all
  // fields must be given).
  void SetRow(std::size_t row, const std::vector<FieldValue>& values);
  void EraseRow(std::size_t row);
  void Clear();

  // The readers that scans call for every row are defined below, inline.
  bool IsNull(std::size_t row, FieldId id) const;
  DateTime DateTimeAt(std::size_t row, FieldId id) const;
  std::int32_t IntegerAt(std::size_t row, FieldId id) const;
  std::int64_t LargeintAt(std::size_t row, FieldId id) const;
  bool BooleanAt(std::size_t row, FieldId id) const;
  const std::string& TextAt(std::size_t row, FieldId id) const;
  // The stored value as a FieldValue (null for calculated fields).
  FieldValue ValueAt(std::size_t row, FieldId id) const;

  // Raw access for the file codec and the index builder.
  const Column& ColumnAt(FieldId id) const { return columns_[static_cast<std::size_t>(id.index)]; }
  // Replaces every row at once; the codec has checked that all column
  // vectors have rowCount entries and every text id exists in its pool.
  // backing: what keeps alive the bytes that the columns read in place, held
  // until the rows are replaced or cleared.
  void ReplaceAll(std::vector<Column> columns, std::size_t rowCount,
                  std::shared_ptr<const void> backing = nullptr);

  // Marks a change that cursors must notice (used after ReplaceAll too).
  void Touch() { ++version_; }

  // Erases the rows given by ascending 0-based numbers in one sweep.
  void EraseRows(const std::vector<std::size_t>& ascendingRows);

  // Changes since the rows were last saved (MarkSaved; ReplaceAll counts as
  // a save). Saved rows are numbered as they were then.
  void MarkSaved();
  bool HasChanges() const;
  std::size_t SavedRowCount() const { return savedRows_; }
  // Every saved row is gone (Clear since the save).
  bool ClearedSinceSave() const { return cleared_; }
  // Saved rows erased since, ascending (empty after a Clear).
  const std::deque<std::uint64_t>& ErasedSinceSave() const { return erased_; }
  // Saved rows that are still there and were written since, ascending.
  std::vector<std::uint64_t> EditedSinceSave() const;
  // Rows 0 .. KeptRows()-1 are saved rows; the rest were appended since.
  std::size_t KeptRows() const { return kept_; }
  // The row number now of a saved row that is still there.
  std::size_t RowOfSaved(std::uint64_t savedRow) const;

  // TableError when value does not fit the field (calculated fields take none).
  void CheckValue(FieldId id, const FieldValue& value) const;

 private:
  // TableError: the field is not of the type a reader wanted.
  [[noreturn]] void ThrowWrongType(FieldId id, const char* wanted) const;
  void PushValue(Column& column, const FieldDef& def, const FieldValue& value);
  void StoreValue(Column& column, const FieldDef& def, std::size_t row, const FieldValue& value);
  std::uint64_t SavedRowAt(std::size_t row) const;  // row < kept_
  void NoteErased(std::size_t row);
  void NoteErasedRows(const std::vector<std::size_t>& ascendingRows);

  std::string name_;
  std::vector<FieldDef> fields_;
  std::vector<Column> columns_;
  std::shared_ptr<const void> backing_;
  std::size_t rowCount_ = 0;
  std::uint64_t version_ = 1;

  std::size_t savedRows_ = 0;
  std::size_t kept_ = 0;
  bool cleared_ = false;
  // A deque: rows are erased from the end backwards (provisional rows) or
  // forwards (heartbeats), and both ends take a new entry at no cost.
  std::deque<std::uint64_t> erased_;
  std::vector<std::uint64_t> edited_;  // unsorted, may repeat
};

inline bool TableStore::IsNull(std::size_t row, FieldId id) const {
  const Column& c = ColumnAt(id);
  return !c.Stored() || c.nulls[row] != 0;
}

inline DateTime TableStore::DateTimeAt(std::size_t row, FieldId id) const {
  const Column& c = ColumnAt(id);
  if (c.type != FieldType::DateTime) ThrowWrongType(id, "DateTime");
  return c.nulls[row] ? 0.0 : c.reals[row];
}

inline std::int64_t TableStore::LargeintAt(std::size_t row, FieldId id) const {
  const Column& c = ColumnAt(id);
  if (c.type == FieldType::Largeint) return c.nulls[row] ? 0 : c.longs[row];
  if (c.type == FieldType::Integer) return c.nulls[row] ? 0 : c.ints[row];
  ThrowWrongType(id, "Largeint");
}

inline bool TableStore::BooleanAt(std::size_t row, FieldId id) const {
  const Column& c = ColumnAt(id);
  if (c.type != FieldType::Boolean) ThrowWrongType(id, "Boolean");
  return !c.nulls[row] && c.bools[row] != 0;
}

}  // namespace brenvik
