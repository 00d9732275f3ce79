#include "datastore/tables/table.h"

#include <algorithm>
#include <numeric>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/utf8.h"
#include "datastore/tables/table_file.h"
#include "datastore/tables/table_group.h"
#include "records/date_format.h"

namespace brenvik {

// ---- CalculatedValues ----

void CalculatedValues::Set(FieldId id, std::string_view text) {
  const FieldDef& def = store_->Def(id);
  if (def.type != FieldType::Calculated) {
    throw TableError("Table " + store_->Name() + ": field " + def.name + " is not calculated");
  }
  // Text of no more bytes than the field has characters needs no cut (nor a copy).
  std::string& value = (*values_)[static_cast<std::size_t>(id.index)];
  if (text.size() > def.size) {
    value = CutToChars(text, def.size);  // the cut text is a new string: keep it, not a view of it
  } else {
    value = text;
  }
}

void CalculatedValues::Set(std::string_view name, std::string_view text) {
  Set(store_->Field(name), text);
}

// ---- Cursor: life ----

Cursor::Cursor(Table& table) : store_(table.store_), table_(&table) {
  table.Register(this);
  ResetPosition();
}

Cursor::Cursor(std::shared_ptr<TableStore> store) : store_(std::move(store)) {}

Cursor::~Cursor() {
  if (table_ != nullptr && static_cast<Cursor*>(table_) != this) table_->Unregister(this);
}

void Cursor::CheckOpen() const {
  if (table_ == nullptr || !table_->open_) {
    throw TableError("Table " + store_->Name() + " is not open");
  }
}

void Cursor::ResetPosition() {
  editing_ = false;
  editValues_.clear();
  calcRow_ = kEnd;
  posValid_ = false;
  row_ = kEnd;
  if (ViewSize() > 0) row_ = RowAt(0);
}

// ---- Cursor: the view ----

void Cursor::EnsureView() const {
  if (!HasView()) return;
  if (ViewUpToDate()) return;
  const bool useFilter = filtered_ && !filter_.Empty();
  view_.clear();
  if (current_ >= 0) {
    for (std::uint32_t row : IndexOrder(indexes_[static_cast<std::size_t>(current_)])) {
      if (!useFilter || filter_.Matches(*store_, row)) view_.push_back(row);
    }
  } else {
    const std::size_t n = store_->RowCount();
    for (std::size_t row = 0; row < n; ++row) {
      if (filter_.Matches(*store_, row)) view_.push_back(static_cast<std::uint32_t>(row));
    }
  }
  viewVersion_ = store_->Version();
  viewGeneration_ = configGeneration_;
  posValid_ = false;
}

std::size_t Cursor::ViewSize() const {
  if (!HasView()) return store_->RowCount();
  EnsureView();
  return view_.size();
}

std::size_t Cursor::RowAt(std::size_t pos) const { return HasView() ? view_[pos] : pos; }

std::size_t Cursor::ViewPos() const {
  if (!HasView()) {
    if (row_ != kEnd && row_ >= store_->RowCount()) row_ = kEnd;
    return row_ == kEnd ? store_->RowCount() : row_;
  }
  EnsureView();
  if (row_ == kEnd) return view_.size();
  if (posValid_ && posRow_ == row_) return pos_;
  auto found = std::find(view_.begin(), view_.end(), static_cast<std::uint32_t>(row_));
  if (found == view_.end()) {
    // The row left the view (an edit, or a new row the filter rejects): in
    // append order the next row that passes, in index order the end.
    found = current_ < 0
                ? std::lower_bound(view_.begin(), view_.end(), static_cast<std::uint32_t>(row_))
                : view_.end();
    row_ = found == view_.end() ? kEnd : *found;
  }
  pos_ = static_cast<std::size_t>(found - view_.begin());
  posRow_ = row_;
  posValid_ = true;
  return pos_;
}

void Cursor::MoveToPos(std::size_t pos) {
  const std::size_t size = ViewSize();
  row_ = pos < size ? RowAt(pos) : kEnd;
  if (HasView()) {
    pos_ = std::min(pos, size);
    posRow_ = row_;
    posValid_ = true;
  }
}

std::size_t Cursor::SuccessorRow(bool mayBuild) const {
  if (row_ == kEnd) return kEnd;
  const bool fresh = ViewUpToDate();
  if (!HasView() || (!mayBuild && !fresh)) {
    return row_ + 1 < store_->RowCount() ? row_ + 1 : kEnd;
  }
  const std::size_t pos = ViewPos();
  return pos + 1 < view_.size() ? view_[pos + 1] : kEnd;
}

std::size_t Cursor::CurrentRow() const {
  CheckOpen();
  ViewPos();
  if (row_ == kEnd) throw TableError("Table " + store_->Name() + ": no current row");
  return row_;
}

std::size_t Cursor::SurvivingSuccessor(const std::vector<std::size_t>& ascendingRows) const {
  const auto erased = [&ascendingRows](std::size_t row) {
    return std::binary_search(ascendingRows.begin(), ascendingRows.end(), row);
  };
  if (row_ == kEnd) return kEnd;
  if (!HasView() || !ViewUpToDate()) {
    for (std::size_t row = row_ + 1; row < store_->RowCount(); ++row) {
      if (!erased(row)) return row;
    }
    return kEnd;
  }
  for (std::size_t pos = ViewPos() + 1; pos < view_.size(); ++pos) {
    if (!erased(view_[pos])) return view_[pos];
  }
  return kEnd;
}

void Cursor::RowsErased(const std::vector<std::size_t>& ascendingRows, std::size_t successor) {
  const auto erased = [&ascendingRows](std::size_t row) {
    return std::binary_search(ascendingRows.begin(), ascendingRows.end(), row);
  };
  // A row's number after the erasure: less by the erased rows before it.
  const auto renumbered = [&ascendingRows](std::size_t row) {
    return row - static_cast<std::size_t>(
                     std::lower_bound(ascendingRows.begin(), ascendingRows.end(), row) -
                     ascendingRows.begin());
  };
  if (row_ != kEnd && erased(row_)) row_ = successor;
  if (row_ != kEnd) row_ = renumbered(row_);
  if (editing_) {
    if (erased(editRow_)) {
      editing_ = false;
      editValues_.clear();
    } else {
      editRow_ = renumbered(editRow_);
    }
  }
  posValid_ = false;
}

void Cursor::RowErased(std::size_t row, std::size_t successor) {
  if (row_ == row) row_ = successor;
  if (row_ != kEnd && row_ > row) --row_;
  if (editing_) {
    if (editRow_ == row) {
      editing_ = false;
      editValues_.clear();
    } else if (editRow_ > row) {
      --editRow_;
    }
  }
  posValid_ = false;
}

// ---- Cursor: navigation ----

void Cursor::First() {
  CheckOpen();
  PostIfEditing();
  MoveToPos(0);
}

void Cursor::Next() {
  CheckOpen();
  PostIfEditing();
  const std::size_t pos = ViewPos();
  if (pos < ViewSize()) MoveToPos(pos + 1);
}

bool Cursor::Prior() {
  CheckOpen();
  PostIfEditing();
  const std::size_t pos = ViewPos();
  if (pos == 0) return false;
  MoveToPos(pos - 1);
  return true;
}

void Cursor::Last() {
  CheckOpen();
  PostIfEditing();
  const std::size_t size = ViewSize();
  MoveToPos(size == 0 ? 0 : size - 1);
}

bool Cursor::Eof() const {
  CheckOpen();
  return ViewPos() >= ViewSize();
}

std::size_t Cursor::RecordCount() const {
  CheckOpen();
  return ViewSize();
}

std::size_t Cursor::RecNo() const {
  CheckOpen();
  const std::size_t pos = ViewPos();
  return pos < ViewSize() ? pos + 1 : 0;
}

void Cursor::MoveToRecNo(std::size_t recNo) {
  CheckOpen();
  PostIfEditing();
  if (recNo < 1 || recNo > ViewSize()) {
    throw TableError("Table " + store_->Name() + ": no row number " + std::to_string(recNo));
  }
  MoveToPos(recNo - 1);
}

// ---- Cursor: reading ----

bool Cursor::ReadsEditBuffer() const { return editing_ && CurrentRow() == editRow_; }

FieldValue Cursor::EditValue(FieldId id) const {
  return editValues_[static_cast<std::size_t>(id.index)];
}

bool Cursor::IsNull(FieldId id) const {
  const std::size_t row = CurrentRow();
  if (store_->Def(id).type == FieldType::Calculated) return CalculatedText(id).empty();
  if (ReadsEditBuffer()) return EditValue(id).IsNull();
  return store_->IsNull(row, id);
}

DateTime Cursor::AsDateTime(FieldId id) const {
  const std::size_t row = CurrentRow();
  if (ReadsEditBuffer() && store_->Def(id).type == FieldType::DateTime) {
    const FieldValue v = EditValue(id);
    if (v.kind() == FieldValue::Kind::Int) return static_cast<double>(v.integer());
    return v.IsNull() ? 0.0 : v.number();
  }
  return store_->DateTimeAt(row, id);
}

std::int32_t Cursor::AsInteger(FieldId id) const {
  const std::size_t row = CurrentRow();
  if (ReadsEditBuffer() && store_->Def(id).type == FieldType::Integer) {
    return static_cast<std::int32_t>(EditValue(id).integer());
  }
  if (ReadsEditBuffer() && store_->Def(id).type == FieldType::Largeint) {
    const std::int64_t v = EditValue(id).integer();
    if (v < INT32_MIN || v > INT32_MAX) {
      throw TableError("Table " + store_->Name() + ": value " + std::to_string(v) + " of field " +
                       store_->Def(id).name + " is out of the Integer range");
    }
    return static_cast<std::int32_t>(v);
  }
  return store_->IntegerAt(row, id);
}

std::int64_t Cursor::AsLargeint(FieldId id) const {
  const std::size_t row = CurrentRow();
  const FieldType type = store_->Def(id).type;
  if (ReadsEditBuffer() && (type == FieldType::Largeint || type == FieldType::Integer)) {
    return EditValue(id).integer();
  }
  return store_->LargeintAt(row, id);
}

bool Cursor::AsBoolean(FieldId id) const {
  const std::size_t row = CurrentRow();
  if (ReadsEditBuffer() && store_->Def(id).type == FieldType::Boolean) {
    return EditValue(id).boolean();
  }
  return store_->BooleanAt(row, id);
}

std::string Cursor::AsText(FieldId id) const {
  const std::size_t row = CurrentRow();
  const FieldDef& def = store_->Def(id);
  if (def.type == FieldType::Calculated) return CalculatedText(id);
  if (IsNull(id)) return std::string();
  switch (def.type) {
    case FieldType::Text:
      if (ReadsEditBuffer()) return CutToChars(EditValue(id).text(), def.size);
      return store_->TextAt(row, id);
    case FieldType::Integer:
    case FieldType::Largeint:
      return std::to_string(AsLargeint(id));
    case FieldType::Boolean:
      return AsBoolean(id) ? "True" : "False";
    case FieldType::DateTime:
      return FormatDateTime("yyyy-mm-dd hh:nn:ss", AsDateTime(id), AppFormatSettings());
    case FieldType::Calculated:
      break;
  }
  return std::string();
}

const std::string& Cursor::CalculatedText(FieldId id) const {
  const std::size_t row = CurrentRow();
  if (calcRow_ != row || calcVersion_ != store_->Version()) {
    calcValues_.assign(store_->Fields().size(), std::string());
    // Marked before the handler runs, so that a handler reading a calculated
    // field of its own row sees the values so far instead of recursing.
    calcRow_ = row;
    calcVersion_ = store_->Version();
    if (calcHandler_) {
      CalculatedValues out;
      out.store_ = store_.get();
      out.values_ = &calcValues_;
      try {
        calcHandler_(*this, out);
      } catch (...) {
        calcRow_ = kEnd;
        throw;
      }
    }
  }
  return calcValues_[static_cast<std::size_t>(id.index)];
}

void Cursor::SetCalcHandler(CalcHandler handler) {
  calcHandler_ = std::move(handler);
  calcRow_ = kEnd;
}

// ---- Cursor: changing rows ----

void Cursor::PostIfEditing() {
  if (editing_) Post();
}

void Cursor::Append(const std::vector<FieldValue>& values) {
  CheckOpen();
  PostIfEditing();
  store_->AppendRow(values);
  row_ = store_->RowCount() - 1;
  posValid_ = false;
}

void Cursor::Edit() {
  const std::size_t row = CurrentRow();
  if (editing_ && editRow_ == row) return;
  PostIfEditing();
  const std::size_t n = store_->Fields().size();
  editValues_.clear();
  editValues_.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    editValues_.push_back(store_->ValueAt(row, FieldId{static_cast<int>(i)}));
  }
  editRow_ = row;
  editing_ = true;
}

void Cursor::Set(FieldId id, FieldValue value) {
  CheckOpen();
  if (!editing_) throw TableError("Table " + store_->Name() + " is not in edit mode");
  store_->CheckValue(id, value);
  editValues_[static_cast<std::size_t>(id.index)] = std::move(value);
}

void Cursor::Post() {
  CheckOpen();
  if (!editing_) return;
  store_->SetRow(editRow_, editValues_);
  editing_ = false;
  editValues_.clear();
  row_ = editRow_;
  posValid_ = false;
}

void Cursor::Cancel() {
  editing_ = false;
  editValues_.clear();
}

void Cursor::Delete() {
  CheckOpen();
  Cancel();
  table_->EraseRow(*this, CurrentRow());
}

void Cursor::EmptyTable() {
  CheckOpen();
  Cancel();
  store_->Clear();
  for (Cursor* c : table_->cursors_) c->ResetPosition();
}

// ---- Cursor: filter and indexes ----

void Cursor::SetFilter(std::string_view expression) {
  filter_ = FilterExpression::Parse(expression, *store_);
  filterText_ = std::string(expression);
  ++configGeneration_;
  if (filtered_ && table_ != nullptr && table_->open_) First();
}

void Cursor::SetFiltered(bool on) {
  if (filtered_ == on) return;
  filtered_ = on;
  ++configGeneration_;
  if (table_ != nullptr && table_->open_) First();
}

int Cursor::FindIndex(std::string_view name) const {
  for (std::size_t i = 0; i < indexes_.size(); ++i) {
    if (EqualsIgnoreCase(indexes_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

bool Cursor::HasIndex(std::string_view name) const { return FindIndex(name) >= 0; }

void Cursor::AddIndex(const std::string& name, const std::vector<std::string>& fields,
                      bool descending) {
  if (name.empty() || HasIndex(name)) {
    throw TableError("Table " + store_->Name() + ": index name '" + name + "' is taken or empty");
  }
  if (fields.empty())
    throw TableError("Table " + store_->Name() + ": index " + name + " has no fields");
  Index index;
  index.name = name;
  index.descending = descending;
  for (const std::string& field : fields) {
    const FieldId id = store_->Field(field);
    if (store_->Def(id).type == FieldType::Calculated) {
      throw TableError("Table " + store_->Name() + ": calculated field " + field +
                       " cannot be indexed");
    }
    index.fields.push_back(id);
  }
  indexes_.push_back(std::move(index));
}

void Cursor::SetIndexName(std::string_view name) {
  const int found = name.empty() ? -1 : FindIndex(name);
  if (!name.empty() && found < 0) {
    throw TableError("Table " + store_->Name() + ": no index named '" + std::string(name) + "'");
  }
  if (found == current_) return;
  if (table_ != nullptr && table_->open_) ViewPos();  // settle row_ before the order changes
  current_ = found;
  ++configGeneration_;
  posValid_ = false;
}

const std::string& Cursor::IndexName() const {
  static const std::string kNone;
  return current_ < 0 ? kNone : indexes_[static_cast<std::size_t>(current_)].name;
}

namespace {

struct SortKey {
  const Column* column = nullptr;
  std::vector<std::uint32_t> ranks;  // Text: the sort rank of each pool id
};

std::vector<std::uint32_t> TextRanks(const StringPool& pool) {
  std::vector<std::uint32_t> ids(pool.size());
  std::iota(ids.begin(), ids.end(), 0u);
  std::sort(ids.begin(), ids.end(),
            [&](std::uint32_t a, std::uint32_t b) { return pool.At(a) < pool.At(b); });
  std::vector<std::uint32_t> ranks(pool.size());
  std::uint32_t rank = 0;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (i > 0 && pool.At(ids[i]) != pool.At(ids[i - 1])) ++rank;
    ranks[ids[i]] = rank;
  }
  return ranks;
}

template <typename T>
int Three(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareCells(const SortKey& key, std::uint32_t a, std::uint32_t b) {
  const Column& c = *key.column;
  if (c.nulls[a] || c.nulls[b]) return Three(c.nulls[b], c.nulls[a]);  // null first
  switch (c.type) {
    case FieldType::DateTime:
      return Three(c.reals[a], c.reals[b]);
    case FieldType::Integer:
      return Three(c.ints[a], c.ints[b]);
    case FieldType::Largeint:
      return Three(c.longs[a], c.longs[b]);
    case FieldType::Boolean:
      return Three(c.bools[a], c.bools[b]);
    case FieldType::Text:
      return Three(key.ranks[c.texts[a]], key.ranks[c.texts[b]]);
    case FieldType::Calculated:
      break;
  }
  return 0;
}

}  // namespace

const std::vector<std::uint32_t>& Cursor::IndexOrder(Index& index) const {
  if (index.version == store_->Version()) return index.order;
  std::vector<SortKey> keys;
  for (FieldId id : index.fields) {
    SortKey key;
    key.column = &store_->ColumnAt(id);
    if (key.column->type == FieldType::Text) key.ranks = TextRanks(key.column->pool);
    keys.push_back(std::move(key));
  }
  index.order.resize(store_->RowCount());
  std::iota(index.order.begin(), index.order.end(), 0u);
  const bool descending = index.descending;
  // Stable: rows with equal keys stay in append order in both directions.
  std::stable_sort(index.order.begin(), index.order.end(), [&](std::uint32_t a, std::uint32_t b) {
    for (const SortKey& key : keys) {
      const int c = CompareCells(key, a, b);
      if (c != 0) return descending ? c > 0 : c < 0;
    }
    return false;
  });
  index.version = store_->Version();
  return index.order;
}

bool ToggleSortByField(Cursor& cursor, const std::string& fieldName,
                       const std::vector<std::string>& keyFields) {
  const auto field = cursor.FindField(fieldName);
  if (!field) return false;
  std::vector<std::string> keys = keyFields;
  if (keys.empty()) keys.push_back(fieldName);
  for (const std::string& key : keys) {
    const auto id = cursor.FindField(key);
    if (!id || cursor.Fields()[static_cast<std::size_t>(id->index)].type == FieldType::Calculated) {
      return false;
    }
  }
  const std::string ascending = fieldName + "__IdxA";
  const std::string descending = fieldName + "__IdxD";
  const bool toDescending = EqualsIgnoreCase(cursor.IndexName(), ascending);
  const std::string& name = toDescending ? descending : ascending;
  if (!cursor.HasIndex(name)) cursor.AddIndex(name, keys, toDescending);
  cursor.SetIndexName(name);
  return true;
}

// ---- Table ----

Table::Table(std::string name, std::vector<FieldDef> fields)
    : Cursor(std::make_shared<TableStore>(std::move(name), std::move(fields))) {
  table_ = this;
  Register(this);
}

Table::~Table() {
  if (group_) group_->Leave(*this);
  for (Cursor* c : cursors_) c->table_ = nullptr;
}

void Table::Unregister(Cursor* cursor) {
  cursors_.erase(std::remove(cursors_.begin(), cursors_.end(), cursor), cursors_.end());
}

void Table::EraseRow(Cursor& deleter, std::size_t row) {
  std::vector<std::size_t> successors(cursors_.size(), kEnd);
  for (std::size_t i = 0; i < cursors_.size(); ++i) {
    Cursor* c = cursors_[i];
    c->SettleBeforeErasure();
    if (c->row_ == row) successors[i] = c->SuccessorRow(c == &deleter);
  }
  Store().EraseRow(row);
  for (std::size_t i = 0; i < cursors_.size(); ++i) cursors_[i]->RowErased(row, successors[i]);
}

void Table::DeleteRows(const std::vector<std::size_t>& ascendingRows) {
  CheckOpen();
  Cancel();
  if (ascendingRows.empty()) return;
  std::vector<std::size_t> successors(cursors_.size(), kEnd);
  for (std::size_t i = 0; i < cursors_.size(); ++i) {
    Cursor* c = cursors_[i];
    c->SettleBeforeErasure();
    if (c->row_ != kEnd &&
        std::binary_search(ascendingRows.begin(), ascendingRows.end(), c->row_)) {
      successors[i] = c->SurvivingSuccessor(ascendingRows);
    }
  }
  Store().EraseRows(ascendingRows);
  for (std::size_t i = 0; i < cursors_.size(); ++i) {
    cursors_[i]->RowsErased(ascendingRows, successors[i]);
  }
}

void Table::ResetCursors() {
  for (Cursor* c : cursors_) c->ResetPosition();
}

void Table::StartEmpty() {
  Store().Clear();
  Store().MarkSaved();
  snapshotSeq_ = 0;
  snapshotBytes_ = 0;
}

void Table::CreateEmpty() {
  StartEmpty();
  open_ = true;
  replaceWhole_ = group_ != nullptr;
  savedVersion_ = Store().Version();
  ResetCursors();
}

void Table::OpenFromFile() {
  if (open_) Close();
  try {
    if (group_ && !FileExists(fileName_)) {
      StartEmpty();
    } else {
      if (!files_) throw TableError("Table " + Name() + " has no file name");
      const FileView file(*files_, fileName_);
      snapshotSeq_ = DecodeTable(file.Bytes(), Store());
      snapshotBytes_ = file.Bytes().size();
    }
    if (group_) group_->Log().ApplyTo(Store(), snapshotSeq_);
  } catch (...) {
    StartEmpty();
    ResetCursors();
    throw;
  }
  open_ = true;
  replaceWhole_ = false;
  savedVersion_ = Store().Version();
  ResetCursors();
}

void Table::Close() {
  if (!open_) return;
  PostIfEditing();
  if (!fileName_.empty() && (Changed() || !FileExists(fileName_))) {
    if (group_) {
      group_->Commit({this}, std::nullopt);
    } else {
      Save();
    }
  }
  open_ = false;
  StartEmpty();
  ResetCursors();
}

void Table::Save() {
  CheckOpen();
  if (fileName_.empty()) throw TableError("Table " + Name() + " has no file name");
  if (group_) {
    group_->Save(*this);
  } else {
    WriteSnapshot(0);
  }
}

void Table::WriteSnapshot(std::uint64_t seq) {
  const std::string bytes = EncodeTable(Store(), seq);
  WriteFileAtomic(*files_, fileName_, bytes);
  Store().MarkSaved();
  savedVersion_ = Store().Version();
  snapshotSeq_ = seq;
  snapshotBytes_ = bytes.size();
  replaceWhole_ = false;
}

bool Table::Changed() const { return open_ && Store().Version() != savedVersion_; }

}  // namespace brenvik
