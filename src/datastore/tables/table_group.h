// Tables that keep their changes in one change log (change_log.h) beside
// their files: the three tables of the data folder. A save of a member
// appends its changes to the log instead of rewriting its file; a commit of
// several members (the end of a processing pass) is one record, so after a
// crash the tables are all of one moment. A member's file is written whole
// only when it does not exist yet, when the table was made empty with
// CreateEmpty, and when the log has grown past its limit: then every member
// is written at the last commit and the log starts again (compaction), so
// that opening never has to read much more than the files.
//
// The group does not own its tables; they must outlive it or leave it
// (Table's destructor does).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "datastore/tables/change_log.h"

namespace brenvik {

class Table;

class TableGroup {
 public:
  TableGroup() = default;
  TableGroup(const TableGroup&) = delete;
  TableGroup& operator=(const TableGroup&) = delete;
  ~TableGroup();

  // Makes table a member; its saves go to the log from now on.
  void Join(Table& table);
  void Leave(Table& table);

  // Names the log file, written through files, and reads it (members are
  // opened after this).
  void OpenLog(FileSystem& files, const std::string& path);
  ChangeLog& Log() { return log_; }

  // Commits the changes of the given members and the hand-over mark as one
  // record, then writes the files that are due. Errors as ChangeLog::Commit
  // and WriteFileAtomic; a table file that fails to be written leaves the
  // commit in the log, which holds the same rows.
  void Commit(const std::vector<Table*>& tables, const std::optional<HandOverMark>& mark);

  // Table::Save of a member: commits it alone, or, while a pass holds the
  // group, leaves its changes for the pass's commit.
  void Save(Table& table);

  // A pass that took in no new line changes only rows it derives from what
  // is already stored (the provisional rows of the run still going, which
  // every pass deletes and builds again): nothing durable is lost when they
  // never reach the disk. Such a pass keeps its changes in memory instead
  // of committing them; they go with the next commit that has something to
  // say, and a commit without a mark, or a close, of tables that have not
  // changed since writes nothing (unless a table's file is missing).
  //
  // Whether each table has no changes, or only those of such passes (and
  // is not to be written whole): only then may a pass keep its changes.
  bool HoldsOnlyDerivedChanges(const std::vector<Table*>& tables) const;
  // Notes the changes of the tables as derived ones, left unwritten.
  void KeepDerivedChanges(const std::vector<Table*>& tables);

  // While one exists, saves of the members wait for the next Commit.
  class PassScope {
   public:
    explicit PassScope(TableGroup* group) : group_(group) {
      if (group_) ++group_->deferring_;
    }
    ~PassScope() {
      if (group_) --group_->deferring_;
    }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;

   private:
    TableGroup* group_;
  };

  // The log is compacted when it is larger than minBytes and than the
  // members' files together divided by divisor.
  void SetCompactionLimits(std::uint64_t minBytes, std::uint64_t divisor);

 private:
  void CompactIfDue();

  ChangeLog log_;
  std::vector<Table*> members_;
  int deferring_ = 0;
  std::uint64_t minLogBytes_ = 1u << 20;
  std::uint64_t divisor_ = 8;
};

}  // namespace brenvik
