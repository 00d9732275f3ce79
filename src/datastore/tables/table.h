// The table engine: a Table holds the rows of one schema (in append order)
// and is itself the table's main cursor; further Cursors over the same rows
// (clones) have their own position, filter, named indexes and calculated
// fields. Every append, edit and delete is final at once, and every cursor
// sees it (the change log of table_group.h is a way of writing the file, not
// something a cursor can undo).
//
// Positions. A cursor stands on one row of its view (the rows in the order
// of its current index, or append order without one, that pass its filter
// when filtering is on) or at the end. RecNo() is the 1-based place of the
// current row in that view, so for a cursor without index and filter it is
// the row number in append order. Deleting a row moves every cursor that
// stood on it to the row that followed in that cursor's view (or to the end);
// all other cursors keep their rows. Appending puts the appending cursor on
// the new row. Reading or writing a field at the end raises TableError.
//
// Fields are found by name without regard to case. In loops, resolve a name
// once with Field() and pass the FieldId. Reads convert Integer <-> Largeint
// and give any field as text (AsText); a null reads as 0, false or "".
//
// Editing: Edit() takes a copy of the current row, Set() changes the copy,
// Post() writes it back (Cancel() drops it). Moving the cursor, appending or
// deleting while editing posts first, as the reports and the processing
// expect. Indexes are sorted lazily: a change of the rows is noticed through
// the store's version and the view is rebuilt on the next move.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datastore/tables/filter_expression.h"
#include "datastore/tables/table_store.h"
#include "platform/file_system.h"

namespace brenvik {

class Table;
class TableGroup;

// Calculated values of the current row, written by a cursor's calc handler.
class CalculatedValues {
 public:
  void Set(FieldId id, std::string_view text);
  void Set(std::string_view name, std::string_view text);

 private:
  friend class Cursor;
  const TableStore* store_ = nullptr;
  std::vector<std::string>* values_ = nullptr;
};

class Cursor {
 public:
  // Computes the calculated fields of the cursor's current row.
  using CalcHandler = std::function<void(const Cursor& row, CalculatedValues& out)>;

  // A clone: a fresh cursor over the rows of table, with no filter and no
  // index, standing on the first row.
  explicit Cursor(Table& table);
  virtual ~Cursor();
  Cursor(const Cursor&) = delete;
  Cursor& operator=(const Cursor&) = delete;

  // Schema.
  const std::string& TableName() const { return store_->Name(); }
  const std::vector<FieldDef>& Fields() const { return store_->Fields(); }
  std::optional<FieldId> FindField(std::string_view name) const { return store_->FindField(name); }
  FieldId Field(std::string_view name) const { return store_->Field(name); }

  // Navigation within the view.
  void First();
  void Next();
  // Moves to the previous row; false (and no move) on the first row or when
  // the view is empty. At the end it moves to the last row.
  bool Prior();
  void Last();
  bool Eof() const;
  bool IsEmpty() const { return RecordCount() == 0; }
  std::size_t RecordCount() const;
  std::size_t RecNo() const;            // 0 at the end
  void MoveToRecNo(std::size_t recNo);  // TableError outside 1 .. RecordCount()

  // Reading the current row.
  bool IsNull(FieldId id) const;
  DateTime AsDateTime(FieldId id) const;
  std::int32_t AsInteger(FieldId id) const;
  std::int64_t AsLargeint(FieldId id) const;
  bool AsBoolean(FieldId id) const;
  std::string AsText(FieldId id) const;
  bool IsNull(std::string_view name) const { return IsNull(Field(name)); }
  DateTime AsDateTime(std::string_view name) const { return AsDateTime(Field(name)); }
  std::int32_t AsInteger(std::string_view name) const { return AsInteger(Field(name)); }
  std::int64_t AsLargeint(std::string_view name) const { return AsLargeint(Field(name)); }
  bool AsBoolean(std::string_view name) const { return AsBoolean(Field(name)); }
  std::string AsText(std::string_view name) const { return AsText(Field(name)); }

  // Changing rows.
  void Append(const std::vector<FieldValue>& values);
  void Edit();
  void Set(FieldId id, FieldValue value);
  void Set(std::string_view name, FieldValue value) { Set(Field(name), std::move(value)); }
  void Post();
  void Cancel();
  bool Editing() const { return editing_; }
  void Delete();
  void EmptyTable();

  // Filter: the expression is parsed when set (TableError when malformed).
  void SetFilter(std::string_view expression);
  const std::string& FilterText() const { return filterText_; }
  void SetFiltered(bool on);
  bool Filtered() const { return filtered_; }

  // Named indexes over one or more fields. An empty name is append order.
  void AddIndex(const std::string& name, const std::vector<std::string>& fields, bool descending);
  bool HasIndex(std::string_view name) const;
  void SetIndexName(std::string_view name);  // TableError for an unknown name
  const std::string& IndexName() const;

  void SetCalcHandler(CalcHandler handler);

  // Bulk reads: the stored rows, and a walk over the physical row numbers of
  // the view in view order (a pending edit is posted first). Readers that
  // need many rows go to the store's columns directly instead of moving the
  // cursor row by row; the cursor's position is not changed.
  const TableStore& Rows() const { return *store_; }
  template <typename Visit>
  void ForEachViewRow(Visit&& visit) {
    CheckOpen();
    PostIfEditing();
    if (!HasView()) {
      const std::size_t n = store_->RowCount();
      for (std::size_t row = 0; row < n; ++row) visit(row);
      return;
    }
    EnsureView();
    for (std::uint32_t row : view_) visit(static_cast<std::size_t>(row));
  }

 protected:
  explicit Cursor(std::shared_ptr<TableStore> store);
  TableStore& Store() { return *store_; }
  const TableStore& Store() const { return *store_; }
  // Called by Table when all rows were replaced (open, close).
  void ResetPosition();
  // TableError when the table is closed (or gone, for a clone).
  void CheckOpen() const;

 private:
  friend class Table;
  static constexpr std::size_t kEnd = static_cast<std::size_t>(-1);

  struct Index {
    std::string name;
    std::vector<FieldId> fields;
    bool descending = false;
    std::vector<std::uint32_t> order;
    std::uint64_t version = 0;  // store version order was built for
  };

  bool HasView() const { return current_ >= 0 || (filtered_ && !filter_.Empty()); }
  // The view was built for the rows and the settings as they are now.
  bool ViewUpToDate() const {
    return viewVersion_ == store_->Version() && viewGeneration_ == configGeneration_;
  }
  // Before rows are erased: row_ is settled against the view, unless the view
  // is out of date (rebuilding it then would sort or filter the whole table
  // for every deletion; it is rebuilt once, when the cursor is next used).
  void SettleBeforeErasure() const {
    if (!HasView() || ViewUpToDate()) ViewPos();
  }
  void EnsureView() const;
  const std::vector<std::uint32_t>& IndexOrder(Index& index) const;
  std::size_t ViewSize() const;
  std::size_t RowAt(std::size_t pos) const;  // physical row of a view place
  std::size_t ViewPos() const;               // place of row_ (ViewSize() at the end)
  // The row after row_ in the view, or kEnd. Without mayBuild a stale view
  // is not rebuilt and append order is taken instead.
  std::size_t SuccessorRow(bool mayBuild) const;
  FieldValue EditValue(FieldId id) const;
  bool ReadsEditBuffer() const;
  void MoveToPos(std::size_t pos);
  std::size_t CurrentRow() const;  // row_, or TableError at the end
  void PostIfEditing();
  const std::string& CalculatedText(FieldId id) const;
  int FindIndex(std::string_view name) const;

  // Row bookkeeping, called by the store owner for every cursor.
  void RowErased(std::size_t row, std::size_t successor);
  // The rows at ascendingRows (numbers before the erasure) are gone; a cursor
  // on one of them moves to successor (a number before the erasure too).
  void RowsErased(const std::vector<std::size_t>& ascendingRows, std::size_t successor);
  // The first row after the current one, in view order, that is not in
  // ascendingRows (kEnd when there is none).
  std::size_t SurvivingSuccessor(const std::vector<std::size_t>& ascendingRows) const;

  std::shared_ptr<TableStore> store_;
  Table* table_ = nullptr;          // the owning table, for the cursor registry
  mutable std::size_t row_ = kEnd;  // physical row, or kEnd

  std::string filterText_;
  FilterExpression filter_;
  bool filtered_ = false;

  mutable std::vector<Index> indexes_;  // sort orders are built lazily
  int current_ = -1;

  // View cache: the rows in view order, and the place of row_ in it.
  mutable std::vector<std::uint32_t> view_;
  mutable std::uint64_t viewVersion_ = 0;  // 0 = not built
  mutable std::uint64_t configGeneration_ = 1;
  mutable std::uint64_t viewGeneration_ = 0;
  mutable std::size_t pos_ = 0;
  mutable std::size_t posRow_ = kEnd;
  mutable bool posValid_ = false;

  bool editing_ = false;
  std::size_t editRow_ = kEnd;
  std::vector<FieldValue> editValues_;

  CalcHandler calcHandler_;
  mutable std::vector<std::string> calcValues_;
  mutable std::size_t calcRow_ = kEnd;
  mutable std::uint64_t calcVersion_ = 0;
};

// A table: the rows, the main cursor over them, and the table's file.
class Table : public Cursor {
 public:
  Table(std::string name, std::vector<FieldDef> fields);
  ~Table() override;

  const std::string& Name() const { return Store().Name(); }

  // The table's file, written through files (which must outlive the table).
  void SetFileName(FileSystem& files, std::string path) {
    files_ = &files;
    fileName_ = std::move(path);
  }
  const std::string& FileName() const { return fileName_; }

  bool IsOpen() const { return open_; }
  // Opens with no rows (nothing is written until the table is saved; a
  // member of a group then writes its file whole).
  void CreateEmpty();
  // Opens from FileName() and, for a member of a group, the changes
  // committed to the group's log since that file was written (a member whose
  // file does not exist starts from no rows). A file that cannot be read,
  // fails its checks or holds another schema, and a damaged log, raise
  // TableError or FileError; the table stays closed and empty then.
  void OpenFromFile();
  // Writes the file when the rows changed since they were read or written, or
  // when the file does not exist (with a file name set); then closes.
  void Close();
  // Writes all rows to FileName() atomically; a member of a group commits
  // its changes to the group's log instead (table_group.h).
  void Save();
  bool Changed() const;

  // The group whose change log takes this table's saves, or null.
  TableGroup* Group() const { return group_; }

  // Deletes the rows at the given 0-based positions in append order, which
  // must be ascending, in one sweep over the columns. A cursor on a deleted
  // row moves to the next row of its view that is left; the table's own
  // pending edit is dropped, as Delete drops it. TableError (and nothing
  // deleted) when a position is out of range or out of order.
  void DeleteRows(const std::vector<std::size_t>& ascendingRows);

 private:
  friend class Cursor;
  friend class TableGroup;
  // Writes the file whole, as of the commit seq; the store is then saved.
  void WriteSnapshot(std::uint64_t seq);
  void StartEmpty();
  void Register(Cursor* cursor) { cursors_.push_back(cursor); }
  void Unregister(Cursor* cursor);
  void EraseRow(Cursor& deleter, std::size_t row);
  void ResetCursors();

  FileSystem* files_ = nullptr;  // set with the file name
  std::string fileName_;
  bool open_ = false;
  std::uint64_t savedVersion_ = 0;
  std::vector<Cursor*> cursors_;

  TableGroup* group_ = nullptr;
  bool replaceWhole_ = false;        // CreateEmpty: the next save writes the file
  std::uint64_t snapshotSeq_ = 0;    // the commit the file was written at
  std::uint64_t snapshotBytes_ = 0;  // its size
  // The store's version when a pass that took in nothing left its changes
  // unwritten (TableGroup::KeepDerivedChanges); 0: none.
  std::uint64_t derivedVersion_ = 0;
};

// The sort of the report grid: picks FieldName__IdxD when the cursor's
// current index is FieldName__IdxA, else FieldName__IdxA; creates it when
// missing over keyFields (or FieldName when keyFields is empty) in that
// direction, makes it current and returns true. A field that is unknown or
// calculated (with no key fields to sort by) returns false and changes
// nothing.
bool ToggleSortByField(Cursor& cursor, const std::string& fieldName,
                       const std::vector<std::string>& keyFields);

}  // namespace brenvik
