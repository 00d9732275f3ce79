#include "datastore/startup/tables.h"

#include <exception>
#include <filesystem>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_link/journal.h"

namespace brenvik {

std::vector<FieldDef> TransactionsSchema() {
  return {
      {"cdsTransactDateTime", FieldType::DateTime, 0},
      {"cdsTransactGTMOffset", FieldType::Integer, 0},
      {"cdsTansactEventType", FieldType::Integer, 0},
      {"cdsTransactUserDomain", FieldType::Text, 100},
      {"cdsTransactUserName", FieldType::Text, 100},
      {"cdsTransactHandle", FieldType::Largeint, 0},
      {"cdsTransactExePath", FieldType::Text, 500},
      {"cdsTransactParam1", FieldType::Text, 100},
      {"cdsTransactParam2", FieldType::Text, 100},
  };
}

std::vector<FieldDef> HistorySchema() {
  return {
      {"cdsHistoryRunID", FieldType::Largeint, 0},
      {"cdsHistoryComputerUser", FieldType::Text, 100},
      {"cdsHistoryExePath", FieldType::Text, 500},
      {"cdsHistoryRecProgramTitle", FieldType::Calculated, 100},
      {"cdsHistoryDateTimeStart", FieldType::DateTime, 0},
      {"cdsHistoryDateTimeEnd", FieldType::DateTime, 0},
      {"cdsHistoryRecUptime", FieldType::Calculated, 100},
      {"cdsHistoryRecActTime", FieldType::Calculated, 100},
      {"cdsHistoryRecIdleTime", FieldType::Calculated, 100},
      {"cdsHistoryUptimeSeconds", FieldType::Largeint, 0},
      {"cdsHistoryIdleSeconds", FieldType::Integer, 0},
      {"cdsHistoryActiveSeconds", FieldType::Largeint, 0},
      {"cdsHistoryIsWindows", FieldType::Boolean, 0},
      {"cdsHistoryClosedOk", FieldType::Boolean, 0},
      {"cdsHistoryRecIncomplete", FieldType::Boolean, 0},
      {"cdsHistoryIsImported", FieldType::Boolean, 0},
  };
}

std::vector<FieldDef> LoginsSchema() {
  return {
      {"cdsHistoryRunID", FieldType::Largeint, 0},
      {"cdsHistoryUser", FieldType::Text, 100},
      {"cdsHistoryDomain", FieldType::Text, 20},
      {"cdsHistoryDateTimeStart", FieldType::DateTime, 0},
      {"cdsHistoryDateTimeEnd", FieldType::DateTime, 0},
      {"cdsHistoryUptimeSeconds", FieldType::Largeint, 0},
      {"cdsHistoryIdleSeconds", FieldType::Integer, 0},
      {"cdsHistoryActiveSecs", FieldType::Largeint, 0},
      {"cdsHistoryClosedOk", FieldType::Boolean, 0},
      {"cdsHistoryRecIncomplete", FieldType::Boolean, 0},
      {"cdsHistoryLoginActive", FieldType::Boolean, 0},
  };
}

DataTables::DataTables()
    : DataSetTransactions("DataSetTransactions", TransactionsSchema()),
      DataSetHistory("DataSetHistory", HistorySchema()),
      DataSetLogins("DataSetLogins", LoginsSchema()) {
  group.Join(DataSetTransactions);
  group.Join(DataSetHistory);
  group.Join(DataSetLogins);
}

namespace {

std::string BackupPath(const std::string& dataFolder, const std::string& name) {
  return dataFolder + kBackupFolderName + PathSeparator() + name;
}

bool TryCopy(FileSystem& files, const std::string& from, const std::string& to) {
  try {
    CopyFileOverwrite(files, from, to);
    return true;
  } catch (const Error&) {
    return false;
  }
}

// The journalled lines as the service's activity log: its lines, each ended
// by CR LF, without the journal's seals.
bool TryWriteServiceLog(FileSystem& files, const std::string& journal,
                        const std::string& serviceLog) {
  try {
    AtomicFileWriter out(files, serviceLog);
    out.Write(kUtf8Bom);
    ForEachJournalPiece(journal, [&out](std::string_view piece) { out.Write(piece); });
    out.Commit();
    return true;
  } catch (const Error&) {
    return false;
  }
}

// The new name is flushed with the others of the backup folder.
bool TryLink(FileSystem& files, const std::string& from, const std::string& to) {
  try {
    LinkOrCopyFile(files, from, to, false);
    return true;
  } catch (const Error&) {
    return false;
  }
}

void CloseClones(DataTables& t) {
  t.DataSetTransactionsClone.reset();
  t.DataSetHistoryClone.reset();
  t.DataSetHistoryCloneWinUptime.reset();
}

std::unique_ptr<Cursor> HistoryClone(DataTables& t) {
  auto clone = std::make_unique<Cursor>(t.DataSetHistory);
  if (t.historyCalcHandler) clone->SetCalcHandler(t.historyCalcHandler);
  return clone;
}

void CreateClones(DataTables& t, Table& opened) {
  if (&opened == &t.DataSetTransactions) {
    t.DataSetTransactionsClone = std::make_unique<Cursor>(t.DataSetTransactions);
  } else if (&opened == &t.DataSetHistory) {
    t.DataSetHistoryClone = HistoryClone(t);
    t.DataSetHistoryCloneWinUptime = HistoryClone(t);
  }
}

// Opens one table; false when its file exists but cannot be opened.
bool OpenOne(Table& table, FileSystem& files, const std::string& path) {
  table.Close();
  table.SetFileName(files, path);
  if (!FileExists(path) && !table.Group()) {
    table.CreateEmpty();
    return true;
  }
  try {
    table.OpenFromFile();
    return true;
  } catch (const Error&) {
    return false;
  }
}

void RestoreFromBackups(const ServiceLink& link) {
  for (const char* name :
       {kProcessNextTimeFile, kCopyForMonitorFile, kCopyForMonitor2File, kServiceLogFile}) {
    link.files.RemoveFile(link.DataFile(name));
  }
  // The service's activity log becomes the journal of every line fetched
  // since the last backup, so the service hands them over again.
  const std::string journal = BackupPath(link.dataFolder, kJournalFile);
  if (FileExists(journal)) TryWriteServiceLog(link.files, journal, link.DataFile(kServiceLogFile));
  const char* tableFiles[] = {kLoginsFile, kHistoryFile, kTransactionsFile};
  bool complete = true;
  for (const char* name : tableFiles)
    complete = complete && FileExists(BackupPath(link.dataFolder, name));
  const std::string changeLog = BackupPath(link.dataFolder, kChangeLogFile);
  if (complete) {
    for (const char* name : tableFiles)
      TryCopy(link.files, BackupPath(link.dataFolder, name), link.DataFile(name));
    // The backups' own changes, or none: the log of the damaged tables
    // belongs to them, not to the backups.
    if (FileExists(changeLog)) {
      TryCopy(link.files, changeLog, link.DataFile(kChangeLogFile));
    } else {
      link.files.RemoveFile(link.DataFile(kChangeLogFile));
    }
  }
  for (const char* name : tableFiles) link.files.RemoveFile(BackupPath(link.dataFolder, name));
  link.files.RemoveFile(changeLog);
  link.files.RemoveFile(BackupPath(link.dataFolder, kBackupSetFile));
}

// Both names are entries of one file.
bool SameEntry(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(ToFsPath(a), ToFsPath(b), ec) && !ec;
}

// Both absent, the same file (a backup link), or the same bytes.
bool SameFile(const std::string& a, const std::string& b) {
  const bool hasA = FileExists(a);
  if (hasA != FileExists(b)) return false;
  if (!hasA) return true;
  if (SameEntry(a, b)) return true;
  return ReadFileBytes(a) == ReadFileBytes(b);
}

// The backups are those of the tables as they stand: their files and their
// change log are the tables' own.
bool BackupsAreTheTables(const std::string& dataFolder) {
  for (const char* name : {kLoginsFile, kHistoryFile, kTransactionsFile}) {
    if (!FileExists(BackupPath(dataFolder, name))) return false;
  }
  for (const char* name : {kLoginsFile, kHistoryFile, kTransactionsFile, kChangeLogFile}) {
    if (!SameFile(dataFolder + name, BackupPath(dataFolder, name))) return false;
  }
  return true;
}

}  // namespace

void RollBackupsForward(FileSystem& files, const std::string& backupFolder) {
  const std::string marker = backupFolder + kStagedSetFile;
  const char* names[] = {kLoginsFile, kHistoryFile, kTransactionsFile, kChangeLogFile};
  if (!FileExists(marker)) {
    for (const char* name : names) files.RemoveFile(backupFolder + name + kStagedSuffix);
    return;
  }
  const std::string set = ReadFileBytes(marker);
  const bool hasLog = set == "log" || set.starts_with("log ");
  for (const char* name : names) {
    const std::string staged = backupFolder + name + kStagedSuffix;
    if (FileExists(staged)) {
      if (!files.RenameFile(staged, backupFolder + name)) {
        throw FileError("Cannot rename \"" + staged + "\"");
      }
      // A rename onto another link of the same file changes nothing.
      files.RemoveFile(staged);
    }
  }
  if (!hasLog) files.RemoveFile(backupFolder + kChangeLogFile);
  if (!files.RenameFile(marker, backupFolder + kBackupSetFile)) {
    files.RemoveFile(backupFolder + kBackupSetFile);
    files.RemoveFile(marker);
  }
}

std::string DescribeBackupSet(std::uint64_t seq, std::optional<std::uint64_t> logBytes) {
  if (!logBytes) return "no log";
  return "log " + std::to_string(seq) + " " + std::to_string(*logBytes);
}

bool BackupsAreCurrent(const std::string& dataFolder, std::uint64_t seq) {
  const std::string set = BackupPath(dataFolder, kBackupSetFile);
  if (!FileExists(set)) return false;
  const std::string changeLog = dataFolder + kChangeLogFile;
  std::optional<std::uint64_t> logBytes;
  if (FileExists(changeLog)) logBytes = FileSize(changeLog);
  if (ReadFileBytes(set) != DescribeBackupSet(seq, logBytes)) return false;
  for (const char* name : {kLoginsFile, kHistoryFile, kTransactionsFile}) {
    if (!SameEntry(dataFolder + name, BackupPath(dataFolder, name))) return false;
  }
  return true;
}

// A stop between the backups of an orderly exit and the deletion of the
// journal leaves a journal of lines the backups already hold; a recovery
// from the two would take them in twice. While the backups are the tables'
// own, the journal is to hold just the lines that no table holds yet.
void SettleJournalBesideBackups(const ServiceLink& link) {
  const std::string journal = BackupPath(link.dataFolder, kJournalFile);
  if (!FileExists(journal) || !BackupsAreTheTables(link.dataFolder)) return;
  ChangeLog log(link.files, link.DataFile(kChangeLogFile));
  log.Load();
  const std::string pending = PendingHandOverLines(link.dataFolder, log.LastHandOver());
  if (pending.empty()) {
    link.files.RemoveFile(journal);
  } else if (pending != JournalText(journal)) {
    WriteJournal(link.files, journal, pending);
  }
}

void RecoverTables(DataTables& tables, int& attempt, const ServiceLink& link, Messages& messages) {
  tables.DataSetLogins.Close();
  tables.DataSetTransactionsClone.reset();
  tables.DataSetTransactions.Close();
  tables.DataSetHistory.Close();
  CloseClones(tables);
  if (attempt == 1) {
    attempt = 2;
    int failures = 1;
    FetchLogLines(link, failures);  // asks the service to hand over its pending lines
    if (failures == 0) {
      messages.ShowMessage(kCorruptedNoServiceMessage);
      tables.endAfterStartUp = true;
    }
    RestoreFromBackups(link);
  } else if (attempt == 2) {
    for (const char* name :
         {kTransactionsFile, kHistoryFile, kLoginsFile, kChangeLogFile, kServiceLogFile}) {
      link.files.RemoveFile(link.DataFile(name));
    }
    messages.ShowMessage(kHistoryLostMessage);
    // Past this step a table file that still cannot be opened could not be
    // deleted either; OpenTables then reports it instead of trying forever.
    attempt = 3;
  } else {
    ++attempt;
  }
}

void OpenTables(DataTables& tables, const ServiceLink& link, Messages& messages) {
  try {
    RollBackupsForward(link.files, BackupPath(link.dataFolder, ""));
    CutTornJournalTail(link.files, BackupPath(link.dataFolder, kJournalFile));
    SettleJournalBesideBackups(link);
  } catch (const Error&) {
    // A journal that cannot be settled stays as it is; the tables still open.
  }
  int attempt = 1;
  bool allOpen = false;
  while (!allOpen) {
    allOpen = true;
    try {
      tables.group.OpenLog(link.files, link.DataFile(kChangeLogFile));
    } catch (const Error&) {
      // An unreadable log makes every member fail to open: the recovery path.
    }
    for (Table* table :
         {&tables.DataSetLogins, &tables.DataSetTransactions, &tables.DataSetHistory}) {
      const char* file = table == &tables.DataSetLogins         ? kLoginsFile
                         : table == &tables.DataSetTransactions ? kTransactionsFile
                                                                : kHistoryFile;
      if (!OpenOne(*table, link.files, link.DataFile(file))) {
        if (attempt > 2) {
          throw TableError("The table file " + link.DataFile(file) +
                           " cannot be opened and cannot be replaced");
        }
        RecoverTables(tables, attempt, link, messages);
        allOpen = false;
        break;
      }
      CreateClones(tables, *table);
    }
  }
  tables.group.Log().ForgetLoadedBytes();
}

void CloseTablesAndBackup(DataTables& tables, FileSystem& files, const std::string& dataFolder) {
  std::exception_ptr failure;
  const auto close = [&](Table& table) {
    try {
      table.Close();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  };
  // One commit for the three, then closing finds nothing left to write
  // (except a file that does not exist yet).
  std::vector<Table*> open;
  for (Table* t : {&tables.DataSetLogins, &tables.DataSetTransactions, &tables.DataSetHistory}) {
    if (t->IsOpen() && !t->FileName().empty()) open.push_back(t);
  }
  try {
    if (!open.empty()) tables.group.Commit(open, std::nullopt);
  } catch (...) {
    failure = std::current_exception();
  }
  const std::uint64_t seq = tables.group.Log().Seq();
  close(tables.DataSetLogins);
  tables.DataSetTransactionsClone.reset();
  close(tables.DataSetTransactions);
  tables.DataSetHistoryCloneWinUptime.reset();
  tables.DataSetHistoryClone.reset();
  close(tables.DataSetHistory);
  // A table that could not be written keeps the old backups and the journal:
  // together they still hold everything.
  if (failure) std::rethrow_exception(failure);
  try {
    if (BackupsAreCurrent(dataFolder, seq)) return;
  } catch (const Error&) {
    // An unreadable set file: the backups are made again.
  }

  // The new set is put beside the old one under staged names and then
  // renamed into place (RollBackupsForward), so that a stop at any moment
  // leaves the backups of the last close or of this one, never a mix.
  const std::string backup = dataFolder + kBackupFolderName + PathSeparator();
  files.CreateFolders(dataFolder + kBackupFolderName);
  bool copied = true;
  for (const char* name : {kLoginsFile, kHistoryFile, kTransactionsFile}) {
    copied = TryLink(files, dataFolder + name, backup + name + kStagedSuffix) && copied;
  }
  const std::string changeLog = dataFolder + kChangeLogFile;
  const bool hasLog = FileExists(changeLog);
  const std::string stagedLog = backup + kChangeLogFile + kStagedSuffix;
  if (hasLog) copied = TryCopy(files, changeLog, stagedLog) && copied;
  if (copied) {
    try {
      // The staged names are on disk before the marker that says the set is whole.
      files.SyncFolder(dataFolder + kBackupFolderName);
      const std::optional<std::uint64_t> logBytes =
          hasLog ? std::optional<std::uint64_t>(FileSize(stagedLog)) : std::nullopt;
      WriteFileAtomic(files, backup + kStagedSetFile, DescribeBackupSet(seq, logBytes));
      RollBackupsForward(files, backup);
    } catch (const Error&) {
      copied = false;
    }
  }
  if (!copied) RollBackupsForward(files, backup);  // drops what was staged
  if (copied) files.RemoveFile(BackupPath(dataFolder, kJournalFile));
}

}  // namespace brenvik
