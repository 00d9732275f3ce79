#include "datastore/startup/tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_link/journal.h"
#include "datastore/tables/table_file.h"
#include "records/date_time.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

class RecordedMessages : public Messages {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

using Texts = std::vector<std::string>;

const DateTime kStart = EncodeDateTime(2013, 4, 30, 17, 5, 9, 0);
const DateTime kEnd = EncodeDateTime(2013, 4, 30, 19, 5, 9, 0);

std::string HistoryFileBytes(std::int64_t run) {
  TableStore store("DataSetHistory", HistorySchema());
  store.AppendRow({run, "", "Windows", FieldValue{}, kStart, kEnd, FieldValue{}, FieldValue{},
                   FieldValue{}, std::int64_t{7200}, 60, std::int64_t{7140}, true, true, false,
                   false});
  store.AppendRow({run, "ann [PC1]", "C:\\Apps\\x.exe", FieldValue{}, kStart, kEnd, FieldValue{},
                   FieldValue{}, FieldValue{}, std::int64_t{7200}, 0, std::int64_t{7200}, false,
                   true, false, false});
  return EncodeTable(store);
}

std::string LoginsFileBytes(std::int64_t run) {
  TableStore store("DataSetLogins", LoginsSchema());
  store.AppendRow({run, "ann", "PC1", kStart, kEnd, std::int64_t{7200}, 60, std::int64_t{7140},
                   true, false, false});
  return EncodeTable(store);
}

std::string TransactionsFileBytes(std::int64_t handle) {
  TableStore store("DataSetTransactions", TransactionsSchema());
  store.AppendRow({kStart, 7200, 1, "PC1", "ann", handle, "", "", ""});
  return EncodeTable(store);
}

// The bytes a table would be saved as now.
std::string Encoded(const Table& table) { return EncodeTable(table.Rows()); }

class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override { test::NativeFiles().CreateFolders(dir.path() + "Backup"); }

  std::string Backup(const char* name) const { return dir.File("Backup/") + name; }
  // What the service's log is to hold after a restore: the journalled lines,
  // each ended by CR LF, without the journal's seals.
  std::string ServiceLogOfJournal() const {
    return std::string(kUtf8Bom) + JournalText(Backup(kJournalFile)) + "\r\n";
  }
  // Tables of run 2 in the data folder, their backups of run 1.
  void WriteTablesAndBackups() {
    dir.Write(kLoginsFile, LoginsFileBytes(2));
    dir.Write(kTransactionsFile, TransactionsFileBytes(2));
    dir.Write(kHistoryFile, HistoryFileBytes(2));
    WriteFileAtomic(test::NativeFiles(), Backup(kLoginsFile), LoginsFileBytes(1));
    WriteFileAtomic(test::NativeFiles(), Backup(kTransactionsFile), TransactionsFileBytes(1));
    WriteFileAtomic(test::NativeFiles(), Backup(kHistoryFile), HistoryFileBytes(1));
  }
  void WriteHandOverFiles() {
    dir.Write(kProcessNextTimeFile, "2013-04-30 17:00:00;7200;PC1|ann;8;;");
    dir.Write(kCopyForMonitorFile, "2013-04-30 17:01:00;7200;PC1|ann;8;;");
    dir.Write(kCopyForMonitor2File, "2013-04-30 17:02:00;7200;PC1|ann;8;;");
    dir.Write(kServiceLogFile, "the service's own log");
    WriteTextFileWithBom(test::NativeFiles(), Backup(kJournalFile),
                         "2013-04-30 17:01:00;7200;PC1|ann;8;;");
  }
  void ServiceHandsOver(const std::string& lines) {
    pipe.onMessage = [this, lines](const std::string&) {
      WriteTextFileWithBom(test::NativeFiles(), dir.File(kCopyForMonitorFile), lines);
    };
  }
  void Open() { OpenTables(tables, link, messages); }
  bool Exists(const std::string& name) const { return FileExists(dir.File(name)); }
  Texts FilesIn(const std::string& folder) const {
    Texts names;
    for (const auto& entry : std::filesystem::directory_iterator(ToFsPath(folder))) {
      if (entry.is_regular_file()) names.push_back(FromFsPath(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  void ExpectClonesOverTheirTables() {
    ASSERT_TRUE(tables.DataSetTransactionsClone && tables.DataSetHistoryClone &&
                tables.DataSetHistoryCloneWinUptime);
    EXPECT_EQ(tables.DataSetTransactionsClone->RecordCount(),
              tables.DataSetTransactions.RecordCount());
    EXPECT_EQ(tables.DataSetHistoryClone->TableName(), "DataSetHistory");
    EXPECT_EQ(tables.DataSetHistoryCloneWinUptime->RecordCount(),
              tables.DataSetHistory.RecordCount());
  }

  test::TempDir dir;
  test::FakeServicePipe pipe;
  test::FakeClock clock;
  ServiceLink link{pipe, clock, test::NativeFiles(), dir.path()};
  RecordedMessages messages;
  DataTables tables;
};

TEST_F(TablesTest, FirstStartCreatesEmptyTablesAndWritesNothing) {
  Open();
  for (Table* t : {&tables.DataSetLogins, &tables.DataSetTransactions, &tables.DataSetHistory}) {
    EXPECT_TRUE(t->IsOpen());
    EXPECT_TRUE(t->IsEmpty());
  }
  ExpectClonesOverTheirTables();
  EXPECT_TRUE(FilesIn(dir.path()).empty());
  EXPECT_TRUE(pipe.messages.empty());
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TablesTest, IntactFilesAreOpenedAsTheyAre) {
  WriteTablesAndBackups();
  Open();
  EXPECT_EQ(Encoded(tables.DataSetLogins), LoginsFileBytes(2));
  EXPECT_EQ(Encoded(tables.DataSetTransactions), TransactionsFileBytes(2));
  EXPECT_EQ(Encoded(tables.DataSetHistory), HistoryFileBytes(2));
  ExpectClonesOverTheirTables();
  EXPECT_TRUE(pipe.messages.empty());
  EXPECT_TRUE(FileExists(Backup(kHistoryFile)));
}

TEST_F(TablesTest, ADamagedHistoryIsRestoredWithAllTablesFromTheBackups) {
  WriteTablesAndBackups();
  WriteHandOverFiles();
  std::string damaged = HistoryFileBytes(2);
  damaged[damaged.size() / 2] ^= 0x01;
  dir.Write(kHistoryFile, damaged);
  const std::string fetched = "2013-04-30 17:03:00;7200;PC1|ann;8;;";
  ServiceHandsOver(fetched);

  Open();
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_FALSE(tables.endAfterStartUp);
  EXPECT_EQ(pipe.messages.size(), 1u);
  EXPECT_EQ(Encoded(tables.DataSetLogins), LoginsFileBytes(1));
  EXPECT_EQ(Encoded(tables.DataSetTransactions), TransactionsFileBytes(1));
  EXPECT_EQ(Encoded(tables.DataSetHistory), HistoryFileBytes(1));
  ExpectClonesOverTheirTables();
  // The service's log is now the journal, with the lines just fetched.
  EXPECT_EQ(ReadFileBytes(dir.File(kServiceLogFile)), ServiceLogOfJournal());
  EXPECT_NE(ReadFileBytes(dir.File(kServiceLogFile)).find(fetched), std::string::npos);
  for (const char* name : {kProcessNextTimeFile, kCopyForMonitorFile, kCopyForMonitor2File}) {
    EXPECT_FALSE(Exists(name)) << name;
  }
  EXPECT_EQ(FilesIn(dir.path() + "Backup"), Texts{kJournalFile});
}

TEST_F(TablesTest, WithoutTheServiceTheRestoreRunsAndTheProgramIsToEnd) {
  WriteTablesAndBackups();
  WriteHandOverFiles();
  dir.Write(kLoginsFile, "not a table");
  pipe.running = false;
  Open();
  EXPECT_EQ(messages.shown, Texts{kCorruptedNoServiceMessage});
  EXPECT_TRUE(tables.endAfterStartUp);
  EXPECT_EQ(Encoded(tables.DataSetLogins), LoginsFileBytes(1));
  EXPECT_EQ(Encoded(tables.DataSetHistory), HistoryFileBytes(1));
  EXPECT_EQ(ReadFileBytes(dir.File(kServiceLogFile)), ServiceLogOfJournal());
  EXPECT_FALSE(Exists(kCopyForMonitor2File));
}

TEST_F(TablesTest, EveryKindOfBadFileOfEveryTableTakesTheRecoveryPath) {
  const auto resealedAsVersion99 = [](std::string bytes) {
    bytes.resize(bytes.size() - 4);
    bytes[8] = 99;
    const std::uint32_t crc = Crc32(bytes);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
    return bytes;
  };
  std::mt19937 random(20130430);
  std::string noise(3000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const std::map<std::string, std::function<std::string(const std::string&)>> damages = {
      {"truncated", [](const std::string& b) { return b.substr(0, b.size() - 9); }},
      {"random bytes", [&](const std::string&) { return noise; }},
      {"another version", resealedAsVersion99},
      {"another table",
       [](const std::string& b) {
         return b == LoginsFileBytes(2) ? HistoryFileBytes(2) : LoginsFileBytes(2);
       }},
      {"empty", [](const std::string&) { return std::string(); }},
  };
  for (const char* file : {kLoginsFile, kTransactionsFile, kHistoryFile}) {
    for (const auto& [kind, damage] : damages) {
      SCOPED_TRACE(std::string(file) + ", " + kind);
      DataTables fresh;
      WriteTablesAndBackups();
      dir.Write(file, damage(ReadFileBytes(dir.File(file))));
      RecordedMessages shown;
      OpenTables(fresh, link, shown);
      EXPECT_TRUE(shown.shown.empty());
      EXPECT_EQ(Encoded(fresh.DataSetLogins), LoginsFileBytes(1));
      EXPECT_EQ(Encoded(fresh.DataSetTransactions), TransactionsFileBytes(1));
      EXPECT_EQ(Encoded(fresh.DataSetHistory), HistoryFileBytes(1));
    }
  }
}

TEST_F(TablesTest, WithoutCompleteBackupsTheHistoryIsLostWithOneMessage) {
  for (bool partial : {false, true}) {
    SCOPED_TRACE(partial ? "two of three backups" : "no backups");
    DataTables fresh;
    RecordedMessages shown;
    pipe.messages.clear();
    WriteTablesAndBackups();
    test::NativeFiles().RemoveFile(Backup(kTransactionsFile));
    if (!partial) {
      test::NativeFiles().RemoveFile(Backup(kLoginsFile));
      test::NativeFiles().RemoveFile(Backup(kHistoryFile));
    }
    dir.Write(kHistoryFile, "damaged");
    dir.Write(kServiceLogFile, "the service's own log");
    ServiceHandsOver("2013-04-30 17:03:00;7200;PC1|ann;8;;");

    OpenTables(fresh, link, shown);
    EXPECT_EQ(shown.shown, Texts{kHistoryLostMessage});
    EXPECT_FALSE(fresh.endAfterStartUp);
    EXPECT_EQ(pipe.messages.size(), 1u);  // asked once, in the first recovery step
    for (Table* t : {&fresh.DataSetLogins, &fresh.DataSetTransactions, &fresh.DataSetHistory}) {
      EXPECT_TRUE(t->IsOpen());
      EXPECT_TRUE(t->IsEmpty());
    }
    EXPECT_TRUE(fresh.DataSetHistoryClone && fresh.DataSetHistoryClone->IsEmpty());
    EXPECT_EQ(FilesIn(dir.path()), Texts{});  // tables and the service's log are gone
    EXPECT_EQ(FilesIn(dir.path() + "Backup"), Texts{kJournalFile});
  }
}

TEST_F(TablesTest, AnOrderlyCloseLeavesBackupsEqualToTheTablesAndNoJournal) {
  WriteHandOverFiles();
  Open();
  tables.DataSetLogins.Append({std::int64_t{1}, "ann", "PC1", kStart, kEnd});
  tables.DataSetHistory.Append({std::int64_t{1}, "", "Windows"});
  CloseTablesAndBackup(tables, test::NativeFiles(), dir.path());
  for (Table* t : {&tables.DataSetLogins, &tables.DataSetTransactions, &tables.DataSetHistory}) {
    EXPECT_FALSE(t->IsOpen());
  }
  EXPECT_FALSE(tables.DataSetHistoryClone);
  for (const char* name : {kLoginsFile, kTransactionsFile, kHistoryFile}) {
    ASSERT_TRUE(Exists(name)) << name;
    EXPECT_EQ(ReadFileBytes(Backup(name)), ReadFileBytes(dir.File(name))) << name;
  }
  EXPECT_FALSE(FileExists(Backup(kJournalFile)));

  // The next start opens what was closed.
  DataTables next;
  OpenTables(next, link, messages);
  EXPECT_EQ(next.DataSetLogins.AsText(logins::kUser), "ann");
  EXPECT_EQ(next.DataSetHistory.RecordCount(), 1u);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TablesTest, ATableThatCannotBeWrittenKeepsTheOldBackupsAndTheJournal) {
  WriteTablesAndBackups();
  WriteHandOverFiles();
  Open();
  tables.DataSetHistory.Append({std::int64_t{3}, "", "Windows"});
  // A folder that is not empty in place of the file: the replace fails.
  test::NativeFiles().RemoveFile(dir.File(kHistoryFile));
  test::NativeFiles().CreateFolders(dir.File(kHistoryFile));
  dir.Write(std::string(kHistoryFile) + "/inside", "x");
  EXPECT_THROW(CloseTablesAndBackup(tables, test::NativeFiles(), dir.path()), Error);
  EXPECT_EQ(ReadFileBytes(Backup(kHistoryFile)), HistoryFileBytes(1));
  EXPECT_EQ(ReadFileBytes(Backup(kLoginsFile)), LoginsFileBytes(1));
  EXPECT_TRUE(FileExists(Backup(kJournalFile)));
  EXPECT_FALSE(tables.DataSetLogins.IsOpen());
}

}  // namespace
}  // namespace brenvik
