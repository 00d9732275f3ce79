#include "datastore/tables/table_group.h"

#include <algorithm>

#include "base/errors.h"
#include "base/file_io.h"
#include "datastore/tables/table.h"

namespace brenvik {

TableGroup::~TableGroup() {
  for (Table* t : members_) t->group_ = nullptr;
}

void TableGroup::Join(Table& table) {
  if (table.group_ == this) return;
  if (table.group_) table.group_->Leave(table);
  table.group_ = this;
  members_.push_back(&table);
}

void TableGroup::Leave(Table& table) {
  members_.erase(std::remove(members_.begin(), members_.end(), &table), members_.end());
  if (table.group_ == this) table.group_ = nullptr;
}

void TableGroup::OpenLog(FileSystem& files, const std::string& path) {
  log_.SetPath(files, path);
  log_.Load();
}

void TableGroup::SetCompactionLimits(std::uint64_t minBytes, std::uint64_t divisor) {
  minLogBytes_ = minBytes;
  divisor_ = std::max<std::uint64_t>(divisor, 1);
}

void TableGroup::Save(Table& table) {
  if (deferring_ > 0) return;
  Commit({&table}, std::nullopt);
}

namespace {

// Changes of more rows than a quarter of the table are cheaper to write as
// the whole file.
bool ChangesAreLarge(const TableStore& store) {
  const std::size_t rows = store.RowCount() - store.KeptRows() + store.EditedSinceSave().size();
  return store.ClearedSinceSave() || rows > store.KeptRows() / 4;
}

}  // namespace

bool TableGroup::HoldsOnlyDerivedChanges(const std::vector<Table*>& tables) const {
  for (const Table* t : tables) {
    if (t->replaceWhole_) return false;
    if (t->Changed() && t->Store().Version() != t->derivedVersion_) return false;
  }
  return true;
}

void TableGroup::KeepDerivedChanges(const std::vector<Table*>& tables) {
  for (Table* t : tables) t->derivedVersion_ = t->Changed() ? t->Store().Version() : 0;
}

void TableGroup::Commit(const std::vector<Table*>& tables,
                        const std::optional<HandOverMark>& mark) {
  // Nothing durable to say: the derived rows wait for a commit that has. A
  // table whose file is missing (a new tree, one the recovery emptied) is
  // written all the same, so that the files and their backups exist.
  const bool filesExist = std::all_of(tables.begin(), tables.end(), [](const Table* t) {
    return !t->fileName_.empty() && FileExists(t->fileName_);
  });
  if (!mark && filesExist && HoldsOnlyDerivedChanges(tables)) return;
  std::vector<TableStore*> stores;
  for (Table* t : tables) {
    t->CheckOpen();
    if (t->fileName_.empty()) throw TableError("Table " + t->Name() + " has no file name");
    stores.push_back(&t->Store());
  }
  // One table alone is as atomic written whole as in a record: its file at
  // the last commit holds every commit so far and its new rows.
  if (tables.size() == 1 && !mark && tables[0]->Store().HasChanges() &&
      (tables[0]->replaceWhole_ || !FileExists(tables[0]->fileName_) ||
       ChangesAreLarge(tables[0]->Store()))) {
    tables[0]->WriteSnapshot(log_.Seq());
    CompactIfDue();
    return;
  }
  log_.Commit(stores, mark);
  for (Table* t : tables) t->savedVersion_ = t->Store().Version();
  for (Table* t : tables) {
    if (t->replaceWhole_ || !FileExists(t->fileName_)) t->WriteSnapshot(log_.Seq());
  }
  CompactIfDue();
}

// Every member must be open and hold only committed rows, so that its file
// written now is the state of the last commit.
void TableGroup::CompactIfDue() {
  std::uint64_t files = 0;
  for (Table* t : members_) {
    if (!t->IsOpen() || t->Store().HasChanges() || t->fileName_.empty()) return;
    files += t->snapshotBytes_;
  }
  if (log_.Size() <= std::max(minLogBytes_, files / divisor_)) return;
  for (Table* t : members_) {
    if (t->snapshotSeq_ != log_.Seq()) t->WriteSnapshot(log_.Seq());
  }
  log_.Restart();
}

}  // namespace brenvik
