// The data files on a disk that fails: a table save, the commit and backups
// of an orderly close, and the hand-over's journal each keep the old file
// whole and say which file could not be written and why.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_link/hand_over.h"
#include "datastore/startup/tables.h"
#include "support/fakes.h"
#include "support/history_rows.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

using test::FileErrorOf;

const std::string kStart = "2013-04-30 17:05:09;7200;PC1|ann;1;;3600";
const std::string kProgram = "2013-04-30 17:06:10;7200;PC1|ann;3;C:\\Apps\\x.exe;4242";

struct NoMessages : Messages {
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

class FullDisk : public ::testing::Test {
 protected:
  FullDisk() : fake(test::MakeFakePlatform()) {
    files().CreateFolders(dir.path() + kBackupFolderName);
  }

  test::FailingFileSystem& files() { return *fake.files; }
  std::string Backup(const char* name) const { return dir.File("Backup/") + name; }
  std::vector<std::string> FilesIn(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(ToFsPath(folder))) {
      if (entry.is_regular_file()) names.push_back(FromFsPath(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  void OpenWithOneHistoryRow(DataTables& tables) {
    OpenTables(tables, link, messages);
    tables.DataSetHistory.Append({std::int64_t{1}, "", "Windows"});
  }

  test::FakePlatform fake;
  test::TempDir dir;
  ServiceLink link{*fake.servicePipe, *fake.clock, *fake.files, dir.path()};
  NoMessages messages;
};

TEST_F(FullDisk, ATableSavedOnAFullDiskKeepsItsOldFileUntilThereIsRoom) {
  const std::string file = dir.File(kHistoryFile);
  auto table = test::MakeHistoryTable();
  table->SetFileName(files(), file);
  test::AppendHistoryRow(*table, {.user = "ann [PC1]", .start = 41394.25, .end = 41394.5});
  table->Save();
  const std::string saved = ReadFileBytes(file);

  test::AppendHistoryRow(*table, {.user = "bob [PC1]", .start = 41394.6, .end = 41394.7});
  files().DiskFullFromWrite(1);
  EXPECT_EQ(FileErrorOf([&] { table->Save(); }),
            "Cannot write file \"" + file + "\": No space left on device");
  EXPECT_EQ(ReadFileBytes(file), saved);
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{kHistoryFile});  // no temporary

  files().Heal();
  table->Save();
  auto reread = test::MakeHistoryTable();
  reread->SetFileName(files(), file);
  reread->OpenFromFile();
  EXPECT_EQ(reread->RecordCount(), 2u);
}

TEST_F(FullDisk, ACloseThatCannotCommitKeepsTheOldBackupsTheJournalAndTheTables) {
  {
    DataTables first;
    OpenWithOneHistoryRow(first);
    CloseTablesAndBackup(first, files(), dir.path());
  }
  const std::string backupBefore = ReadFileBytes(Backup(kHistoryFile));
  DataTables second;
  OpenWithOneHistoryRow(second);
  // Lines fetched since the first close.
  WriteTextFileWithBom(files(), Backup(kJournalFile), kStart);

  files().DiskFullFromWrite(1);
  EXPECT_EQ(FileErrorOf([&] { CloseTablesAndBackup(second, files(), dir.path()); }),
            "Cannot write file \"" + dir.File(kChangeLogFile) + "\": No space left on device");
  EXPECT_EQ(ReadFileBytes(Backup(kHistoryFile)), backupBefore);
  EXPECT_EQ(ReadTextFile(Backup(kJournalFile)), std::string(kUtf8Bom) + kStart);

  // The next start finds the tables of the first close.
  files().Heal();
  DataTables next;
  OpenTables(next, link, messages);
  EXPECT_EQ(next.DataSetHistory.RecordCount(), 1u);
  EXPECT_TRUE(messages.shown.empty());
}

// Backups that cannot be made are not reported (the tables were written, and
// the old backups with the journal still hold everything); the set stays
// the old one, never a mix.
TEST_F(FullDisk, BackupsThatCannotBeWrittenLeaveTheOldSetAndTheJournal) {
  {
    DataTables first;
    OpenWithOneHistoryRow(first);
    CloseTablesAndBackup(first, files(), dir.path());
  }
  const std::vector<std::string> backupsBefore = FilesIn(dir.path() + kBackupFolderName);
  const std::string historyBackup = ReadFileBytes(Backup(kHistoryFile));
  DataTables second;
  OpenWithOneHistoryRow(second);
  // Lines fetched since the first close.
  WriteTextFileWithBom(files(), Backup(kJournalFile), kStart);
  second.DataSetHistory.Post();
  second.group.Commit({&second.DataSetHistory}, std::nullopt);

  files().FailAtomicRenames();
  EXPECT_NO_THROW(CloseTablesAndBackup(second, files(), dir.path()));
  std::vector<std::string> expected = backupsBefore;
  expected.push_back(kJournalFile);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FilesIn(dir.path() + kBackupFolderName), expected);
  EXPECT_EQ(ReadFileBytes(Backup(kHistoryFile)), historyBackup);
}

TEST_F(FullDisk, AHandOverThatCannotJournalKeepsTheJournalAndTheServicesLines) {
  WriteTextFileWithBom(files(), Backup(kJournalFile), kStart);
  fake.servicePipe->onMessage = [this](const std::string&) {
    WriteTextFileWithBom(test::NativeFiles(), dir.File(kCopyForMonitorFile), kProgram);
  };
  int failures = 0;
  files().DiskFullFromWrite(1);
  EXPECT_EQ(FileErrorOf([&] { FetchLogLines(link, failures); }),
            "Cannot write file \"" + link.BackupFile(kJournalFile) + "\": No space left on device");
  EXPECT_EQ(ReadTextFile(Backup(kJournalFile)), std::string(kUtf8Bom) + kStart);
  EXPECT_EQ(ReadTextFile(dir.File(kCopyForMonitorFile)), std::string(kUtf8Bom) + kProgram);

  // With room again the next pass takes the lines in.
  files().Heal();
  fake.servicePipe->onMessage = nullptr;
  EXPECT_EQ(FetchLogLines(link, failures).text, kProgram);
}

}  // namespace
}  // namespace brenvik
