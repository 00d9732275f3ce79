// The three tables of the monitor, their schemas and files, the clone cursors
// the reports and statistics use, and the start-up open with recovery from
// the backups and the close that makes the backups.
//
// DataTables owns everything; the main window keeps one for its lifetime.
// The clones exist while the tables are open (OpenTables creates them fresh,
// RecoverTables drops them). Field positions are fixed by the schemas, so the
// FieldId constants below are valid for every cursor over the table (a test
// checks each against its name).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "datastore/service_link/hand_over.h"
#include "datastore/tables/table.h"
#include "datastore/tables/table_group.h"

namespace brenvik {

inline constexpr const char* kTransactionsFile = "Transactions.cds";
inline constexpr const char* kHistoryFile = "History.cds";
inline constexpr const char* kLoginsFile = "Logins.cds";
// The change log of the three tables (docs/table-format.md).
inline constexpr const char* kChangeLogFile = "TableChanges.cdl";
inline constexpr const char* kBackupFolderName = "Backup";
inline constexpr const char* kServiceLogFile = "LogInformation.dat";
// The backups of an orderly close are made under the staged names first; the
// set file, written when all of them are there, says the set is complete.
inline constexpr const char* kStagedSuffix = ".~new";
inline constexpr const char* kStagedSetFile = "BackupSet.~new";
// What the backups in place are of: the set file of the last complete set,
// kept so that a close that changed nothing makes no backups.
inline constexpr const char* kBackupSetFile = "BackupSet.dat";

inline constexpr const char* kCorruptedNoServiceMessage =
    "Database has been corrupted. Restoring from backup, but service can not be connected. "
    "Closing down...";
inline constexpr const char* kHistoryLostMessage =
    "Unfortunately due to severe database file damage, uptime history has been lost.";

std::vector<FieldDef> TransactionsSchema();
std::vector<FieldDef> HistorySchema();
std::vector<FieldDef> LoginsSchema();

namespace transact {
inline constexpr FieldId kDateTime{0};    // cdsTransactDateTime, UTC
inline constexpr FieldId kGmtOffset{1};   // cdsTransactGTMOffset
inline constexpr FieldId kEventType{2};   // cdsTansactEventType
inline constexpr FieldId kUserDomain{3};  // cdsTransactUserDomain
inline constexpr FieldId kUserName{4};    // cdsTransactUserName
inline constexpr FieldId kHandle{5};      // cdsTransactHandle
inline constexpr FieldId kExePath{6};     // cdsTransactExePath
inline constexpr FieldId kParam1{7};      // cdsTransactParam1
inline constexpr FieldId kParam2{8};      // cdsTransactParam2
}  // namespace transact

namespace history {
inline constexpr FieldId kRunId{0};            // cdsHistoryRunID
inline constexpr FieldId kComputerUser{1};     // cdsHistoryComputerUser
inline constexpr FieldId kExePath{2};          // cdsHistoryExePath
inline constexpr FieldId kRecProgramTitle{3};  // cdsHistoryRecProgramTitle (calculated)
inline constexpr FieldId kDateTimeStart{4};    // cdsHistoryDateTimeStart
inline constexpr FieldId kDateTimeEnd{5};      // cdsHistoryDateTimeEnd
inline constexpr FieldId kRecUptime{6};        // cdsHistoryRecUptime (calculated)
inline constexpr FieldId kRecActTime{7};       // cdsHistoryRecActTime (calculated)
inline constexpr FieldId kRecIdleTime{8};      // cdsHistoryRecIdleTime (calculated)
inline constexpr FieldId kUptimeSeconds{9};    // cdsHistoryUptimeSeconds
inline constexpr FieldId kIdleSeconds{10};     // cdsHistoryIdleSeconds
inline constexpr FieldId kActiveSeconds{11};   // cdsHistoryActiveSeconds
inline constexpr FieldId kIsWindows{12};       // cdsHistoryIsWindows
inline constexpr FieldId kClosedOk{13};        // cdsHistoryClosedOk
inline constexpr FieldId kRecIncomplete{14};   // cdsHistoryRecIncomplete
inline constexpr FieldId kIsImported{15};      // cdsHistoryIsImported
}  // namespace history

namespace logins {
inline constexpr FieldId kRunId{0};          // cdsHistoryRunID
inline constexpr FieldId kUser{1};           // cdsHistoryUser
inline constexpr FieldId kDomain{2};         // cdsHistoryDomain
inline constexpr FieldId kDateTimeStart{3};  // cdsHistoryDateTimeStart
inline constexpr FieldId kDateTimeEnd{4};    // cdsHistoryDateTimeEnd
inline constexpr FieldId kUptimeSeconds{5};  // cdsHistoryUptimeSeconds
inline constexpr FieldId kIdleSeconds{6};    // cdsHistoryIdleSeconds
inline constexpr FieldId kActiveSecs{7};     // cdsHistoryActiveSecs
inline constexpr FieldId kClosedOk{8};       // cdsHistoryClosedOk
inline constexpr FieldId kRecIncomplete{9};  // cdsHistoryRecIncomplete
inline constexpr FieldId kLoginActive{10};   // cdsHistoryLoginActive
}  // namespace logins

// The fixed messages of the recovery, shown as message boxes with the
// application title as caption and an OK button (tests record them).
class Messages {
 public:
  virtual ~Messages() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

struct DataTables {
  DataTables();

  // The change log of the three tables; OpenTables opens it.
  TableGroup group;
  Table DataSetTransactions;
  Table DataSetHistory;
  Table DataSetLogins;
  std::unique_ptr<Cursor> DataSetTransactionsClone;
  std::unique_ptr<Cursor> DataSetHistoryClone;
  std::unique_ptr<Cursor> DataSetHistoryCloneWinUptime;

  // Computes the calculated fields of the two history clones; installed on
  // them whenever they are created.
  Cursor::CalcHandler historyCalcHandler;
  // Set by the recovery when the service did not answer: the application is
  // to end once start-up is over.
  bool endAfterStartUp = false;
};

// Finishes the backups of an orderly close that a stop interrupted: a complete
// staged set is renamed into place, an incomplete one is deleted (the old set
// is whole then). backupFolder ends with the path separator. FileError when a
// staged file cannot be renamed.
void RollBackupsForward(FileSystem& files, const std::string& backupFolder);

// When the backups are the tables as they stand, cuts the journal down to
// the lines no table holds yet (deleting it when there are none): a stop
// between the backups and the journal's deletion leaves lines in it that the
// backups hold. OpenTables does this first. FileError when a file cannot be
// read or written.
void SettleJournalBesideBackups(const ServiceLink& link);

// Opens the three tables from ServiceLink::dataFolder (their files and the
// change log), recovering from the backups when a file cannot be opened, and
// creates the clones.
void OpenTables(DataTables& tables, const ServiceLink& link, Messages& messages);
// One recovery step after a failed open; attempt is 1 on the first failure.
void RecoverTables(DataTables& tables, int& attempt, const ServiceLink& link, Messages& messages);
// The text of the set file for backups of a change log at commit seq that
// was logBytes long (nothing: the tables had no change log).
std::string DescribeBackupSet(std::uint64_t seq, std::optional<std::uint64_t> logBytes);

// Whether the backups in place are those of the tables as they stand at
// commit seq: the set file describes the change log as it is, and each table
// file in Backup is the table's own file (a hard link to it).
bool BackupsAreCurrent(const std::string& dataFolder, std::uint64_t seq);

// Closes the tables (their changes committed as one, a file written when
// missing), puts the three files into Backup (as hard links where the file
// system has them: table files are only ever replaced whole) with a copy of
// the change log, and deletes the journal, all through files. Failed copies
// and deletes are not reported. When the backups are already those of the tables as they stand
// (nothing was committed since), nothing is written.
void CloseTablesAndBackup(DataTables& tables, FileSystem& files, const std::string& dataFolder);

}  // namespace brenvik
