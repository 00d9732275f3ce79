// The end of a processing pass as one commit of the change log: what is on
// disk at every moment of a pass (before and after every durable write, and
// with the last record torn) opens into tables of one moment, and the next
// pass ends with exactly the rows of a run that was never interrupted.
// Also: a committed hand-over text is not taken in twice, a pass writes what
// changed and not the table, compaction, and backups by link.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "base/file_io.h"
#include "datastore/pass/pass_fixture.h"
#include "datastore/service_link/journal.h"
#include "datastore/tables/change_log.h"
#include "datastore/tables/table_file.h"
#include "support/failing_file_system.h"

namespace brenvik::test {
namespace {

namespace fs = std::filesystem;
using Folder = std::map<std::string, std::string>;  // relative path -> bytes

constexpr const char* kTool = "C:\\Apps\\Tool.exe";
LogLine WindowsStart(DateTime utc) { return {utc, 1, "", "0", "", ""}; }
LogLine WindowsStop(DateTime utc) { return {utc, 2, "", "", "", ""}; }
LogLine Heartbeat(DateTime utc) { return {utc, 8, "", "", "", ""}; }
LogLine ToolStart(DateTime utc, const std::string& h) { return {utc, 3, kTool, h}; }
LogLine ToolEnd(DateTime utc, const std::string& h) { return {utc, 4, kTool, h}; }
LogLine LoginActive(DateTime utc) { return {utc, 5, "1", "0"}; }

Folder ReadFolder(const std::string& root) {
  Folder files;
  for (const auto& e : fs::recursive_directory_iterator(ToFsPath(root))) {
    if (e.is_regular_file()) {
      files[FromFsPath(fs::relative(e.path(), ToFsPath(root)))] =
          ReadFileBytes(FromFsPath(e.path()));
    }
  }
  return files;
}

void WriteFolder(const std::string& root, const Folder& files) {
  for (const auto& e : fs::directory_iterator(ToFsPath(root))) fs::remove_all(e.path());
  fs::create_directories(ToFsPath(root + "Backup"));
  for (const auto& [name, bytes] : files) {
    fs::create_directories(ToFsPath(root + name).parent_path());
    WriteFileAtomic(test::NativeFiles(), root + name, bytes);
  }
}

// Every row of the three tables, as text.
std::string RowsOf(const DataTables& tables) {
  std::string out;
  for (const Table* t :
       {&tables.DataSetHistory, &tables.DataSetLogins, &tables.DataSetTransactions}) {
    const TableStore& s = t->Rows();
    out += t->Name() + "\n";
    for (std::size_t r = 0; r < s.RowCount(); ++r) {
      for (std::size_t f = 0; f < s.Fields().size(); ++f) {
        const FieldValue v = s.ValueAt(r, FieldId{static_cast<int>(f)});
        out += v.IsNull() ? "-"
                          : std::to_string(v.number()) + "/" + std::to_string(v.integer()) + "/" +
                                v.text();
        out += ";";
      }
      out += "\n";
    }
  }
  return out;
}

// The rows the backups hold as the next start finds them (the Backup folder
// has the same file names as the data folder), or "incomplete" when a table
// file is missing there.
std::string BackupRows(const std::string& folder) {
  const std::string backupFolder = folder + "view/";
  fs::remove_all(ToFsPath(backupFolder));
  fs::create_directories(ToFsPath(backupFolder));
  for (const auto& e : fs::directory_iterator(ToFsPath(folder))) {
    if (e.is_regular_file()) fs::copy_file(e.path(), ToFsPath(backupFolder) / e.path().filename());
  }
  RollBackupsForward(test::NativeFiles(), backupFolder);
  DataTables tables;
  tables.group.OpenLog(test::NativeFiles(), backupFolder + kChangeLogFile);
  for (auto [table, name] : {std::pair{&tables.DataSetHistory, kHistoryFile},
                             std::pair{&tables.DataSetLogins, kLoginsFile},
                             std::pair{&tables.DataSetTransactions, kTransactionsFile}}) {
    if (!FileExists(backupFolder + name)) return "incomplete";
    table->SetFileName(test::NativeFiles(), backupFolder + name);
    table->OpenFromFile();
  }
  return RowsOf(tables);
}

// A data folder whose tables can be dropped without being written, as a
// crash drops them, and opened again from what is on disk.
class Tree {
 public:
  Tree() : fake_(MakeFakePlatform()) {
    test::NativeFiles().CreateFolders(dir.path() + "Backup");
    fake_.servicePipe->onMessage = [this](const std::string&) {
      if (!handOver.empty())
        WriteTextFileWithBom(test::NativeFiles(), dir.File(kCopyForMonitorFile), handOver);
      handOver.clear();
    };
    Open();
  }
  FailingFileSystem& Files() { return *fake_.files; }
  ServiceLink Link() {
    return ServiceLink{*fake_.servicePipe, *fake_.clock, *fake_.files, dir.path()};
  }
  void Open() {
    tables = std::make_unique<DataTables>();
    if (alwaysCompact) tables->group.SetCompactionLimits(0, 1u << 30);
    OpenTables(*tables, Link(), messages);
  }
  void Drop() { tables.reset(); }
  void Pass(const std::string& lines) {
    handOver = lines;
    fake_.clock->local = dateOfCalc;
    PassEnvironment env{Link(), *fake_.eventLog, *fake_.accounts, listed, diagnostics};
    DateTime start = At(8, 0);
    TArrRecComputerRun runs;
    SortedTextList programs;
    SortedTextList users;
    std::int32_t failures = 0;
    ProcessTransactions(env, PassTablesOf(*tables),
                        PassLists{.runs = runs, .programsFetched = programs, .historyUsers = users},
                        failures, start, dateOfCalc);
  }
  // Every row of the three tables, as text.
  std::string Rows() const { return RowsOf(*tables); }

  TempDir dir;
  bool alwaysCompact = false;
  std::string handOver;
  std::unique_ptr<DataTables> tables;
  DateTime dateOfCalc = At(14, 0);

 private:
  FakePlatform fake_;
  NoMessages messages;
  ListedRows listed;
  DiagnosticLog diagnostics;
};

// Records the folder at each durable step of the tree's file operations
// (each flush, and before and after each atomic rename).
struct Recorder {
  struct Moment {
    Folder files;
    bool serviceHandedOver;
  };
  Recorder(FailingFileSystem& files, std::string folder, const bool* serviceHandedOver)
      : files_(files), root(std::move(folder)), handedOver(serviceHandedOver) {
    files_.atDurableStep = [this] { moments.push_back({ReadFolder(root), *handedOver}); };
  }
  ~Recorder() { files_.atDurableStep = nullptr; }
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  FailingFileSystem& files_;
  std::string root;
  const bool* handedOver;
  std::vector<Moment> moments;
};

// What a crash can leave of the change log besides what was written: the
// last record cut anywhere.
std::vector<Folder> TornVariants(const Folder& before, const Folder& now) {
  std::vector<Folder> variants;
  const auto log = now.find(kChangeLogFile);
  if (log == now.end()) return variants;
  const auto old = before.find(kChangeLogFile);
  const std::size_t from = old == before.end() ? 0 : old->second.size();
  if (log->second.size() <= from ||
      !log->second.starts_with(old == before.end() ? "" : old->second)) {
    return variants;
  }
  for (std::size_t cut :
       {from + 1, from + 13, (from + log->second.size()) / 2, log->second.size() - 1}) {
    if (cut <= from || cut >= log->second.size()) continue;
    Folder torn = now;
    torn[kChangeLogFile] = log->second.substr(0, cut);
    variants.push_back(torn);
  }
  return variants;
}

const std::vector<LogLine> kFirstLines = {WindowsStart(At(8, 0)), LoginActive(At(8, 1)),
                                          ToolStart(At(8, 5), "7"), Heartbeat(At(8, 6)),
                                          Heartbeat(At(8, 7))};
const std::vector<LogLine> kSecondLines = {
    Heartbeat(At(8, 8)),    ToolEnd(At(8, 30), "7"), ToolStart(At(9, 0), "8"), Heartbeat(At(9, 1)),
    WindowsStop(At(10, 0)), WindowsStart(At(10, 5)), ToolStart(At(10, 6), "9")};

void EveryMomentOfAPassOpensIntoTheSameEnd(bool alwaysCompact) {
  Tree whole;
  whole.alwaysCompact = alwaysCompact;
  whole.Open();
  whole.Pass(Lines(kFirstLines));
  whole.Pass(Lines(kSecondLines));
  whole.Pass("");
  const std::string expected = whole.Rows();

  Tree tree;
  tree.alwaysCompact = alwaysCompact;
  tree.Open();
  tree.Pass(Lines(kFirstLines));
  const Folder start = ReadFolder(tree.dir.path());
  std::vector<Recorder::Moment> moments;
  {
    bool handedOver = false;
    tree.handOver = Lines(kSecondLines);
    Recorder recorder(tree.Files(), tree.dir.path(), &handedOver);
    // The service's file is written outside the recorded operations.
    tree.Pass(Lines(kSecondLines));
    handedOver = true;
    moments = recorder.moments;
  }
  // The moments before the service wrote its file are told apart by the
  // file's absence; every recorded moment after the first hand-over file
  // counts as handed over. The service's own write is not recorded; the
  // pass's are at least the new journal's flush, the moments before and
  // after its rename, and the flush of the commit.
  ASSERT_GE(moments.size(), 4u);
  std::vector<std::pair<Folder, bool>> states = {{start, false}};
  for (std::size_t i = 0; i < moments.size(); ++i) {
    const bool handed = moments[i].files.count(kCopyForMonitorFile) > 0 ||
                        moments[i].files.count(kCopyForMonitor2File) > 0 ||
                        (i > 0 && states.back().second);
    states.push_back({moments[i].files, handed});
    const Folder& before = i == 0 ? start : moments[i - 1].files;
    for (const Folder& torn : TornVariants(before, moments[i].files))
      states.push_back({torn, handed});
  }
  for (std::size_t i = 0; i < states.size(); ++i) {
    SCOPED_TRACE("moment " + std::to_string(i) + " of " + std::to_string(states.size()));
    tree.Drop();
    WriteFolder(tree.dir.path(), states[i].first);
    tree.Open();
    tree.Pass(states[i].second ? "" : Lines(kSecondLines));
    tree.Pass("");
    EXPECT_EQ(tree.Rows(), expected);
  }
}

TEST(PassCommit, EveryMomentOfAPassOpensIntoTheSameEnd) {
  EveryMomentOfAPassOpensIntoTheSameEnd(false);
}

TEST(PassCommit, EveryMomentOfACompactingPassOpensIntoTheSameEnd) {
  EveryMomentOfAPassOpensIntoTheSameEnd(true);
}

TEST(PassCommit, AHandOverTextThatWasCommittedIsNotTakenInAgain) {
  Tree whole;
  whole.Pass(Lines(kFirstLines));
  whole.Pass(Lines(kSecondLines));
  whole.Pass("");

  Tree tree;
  tree.Pass(Lines(kFirstLines));
  tree.Pass(Lines(kSecondLines));
  // A crash after the commit, before the hand-over file was deleted.
  WriteTextFileWithBom(test::NativeFiles(), tree.dir.File(kCopyForMonitorFile),
                       Trim(Lines(kSecondLines)));
  tree.Drop();
  tree.Open();
  tree.Pass("");
  EXPECT_EQ(tree.Rows(), whole.Rows());
  EXPECT_FALSE(FileExists(tree.dir.File(kCopyForMonitorFile)));
  EXPECT_FALSE(FileExists(tree.dir.File(kCopyForMonitor2File)));

  // Another text in the hand-over file is taken in as before.
  WriteTextFileWithBom(test::NativeFiles(), tree.dir.File(kCopyForMonitorFile),
                       Trim(Lines({Heartbeat(At(10, 30))})));
  tree.Pass("");
  EXPECT_EQ(tree.tables->DataSetTransactions.RecordCount(),
            whole.tables->DataSetTransactions.RecordCount() + 1);
}

TEST(PassCommit, ACommittedTextThatEndsInALineBreakIsNotTakenInAgain) {
  Tree whole;
  whole.Pass(Lines(kFirstLines));
  whole.Pass(Lines(kSecondLines));

  // The second lines are the remainder of a cut-off pass and the service has
  // nothing new: the pass's text is the remainder joined with the empty new
  // text, so a line break ends it.
  Tree tree;
  tree.Pass(Lines(kFirstLines));
  WriteTextFileWithBom(test::NativeFiles(), tree.dir.File(kCopyForMonitorFile),
                       Trim(Lines(kSecondLines)));
  tree.Pass("");
  ASSERT_EQ(tree.Rows(), whole.Rows());
  // A crash after the commit, before the hand-over file was deleted.
  WriteTextFileWithBom(test::NativeFiles(), tree.dir.File(kCopyForMonitorFile),
                       Trim(Lines(kSecondLines)) + "\r\n");
  tree.Drop();
  tree.Open();
  tree.Pass("");
  whole.Pass("");
  EXPECT_EQ(tree.Rows(), whole.Rows());
}

TEST(PassCommit, AJournalLeftBesideFreshBackupsKeepsOnlyTheLinesNoTableHolds) {
  Tree tree;
  tree.Pass(Lines(kFirstLines));
  CloseTablesAndBackup(*tree.tables, tree.Files(), tree.dir.path());
  const std::string journal = tree.dir.File("Backup/LogInformation.dat");
  // A stop between the backups and the deletion of the journal.
  WriteTextFileWithBom(test::NativeFiles(), journal, Trim(Lines(kFirstLines)));
  tree.Drop();
  tree.Open();
  EXPECT_FALSE(FileExists(journal));

  // Lines fetched but not taken in yet stay journalled.
  CloseTablesAndBackup(*tree.tables, tree.Files(), tree.dir.path());
  WriteTextFileWithBom(test::NativeFiles(), journal,
                       Trim(Lines(kFirstLines)) + "\r\n" + Trim(Lines(kSecondLines)));
  WriteTextFileWithBom(test::NativeFiles(), tree.dir.File(kCopyForMonitorFile),
                       Trim(Lines(kSecondLines)));
  tree.Drop();
  tree.Open();
  EXPECT_EQ(JournalText(journal), Trim(Lines(kSecondLines)));
}

// A stop at any moment of an orderly close leaves backups that open into the
// tables of the close before or of this one, never into a mix of the two.
TEST(PassCommit, EveryMomentOfAnOrderlyCloseLeavesBackupsOfOneMoment) {
  Tree tree;
  tree.alwaysCompact = true;  // every commit writes the files anew
  tree.Open();
  tree.Pass(Lines(kFirstLines));
  CloseTablesAndBackup(*tree.tables, tree.Files(), tree.dir.path());
  const std::string backup = tree.dir.File("Backup/");
  const std::string before = BackupRows(backup);
  tree.Drop();
  tree.Open();
  tree.Pass(Lines(kSecondLines));
  const std::string after = tree.Rows();
  std::vector<Recorder::Moment> moments;
  {
    bool handedOver = true;
    Recorder recorder(tree.Files(), tree.dir.path(), &handedOver);
    CloseTablesAndBackup(*tree.tables, tree.Files(), tree.dir.path());
    moments = recorder.moments;
  }
  ASSERT_GT(moments.size(), 4u);
  EXPECT_EQ(BackupRows(backup), after);
  for (std::size_t i = 0; i < moments.size(); ++i) {
    SCOPED_TRACE("moment " + std::to_string(i));
    Folder files = moments[i].files;
    for (auto it = files.begin(); it != files.end();)
      it = it->first.starts_with("Backup/view/") ? files.erase(it) : std::next(it);
    WriteFolder(tree.dir.path(), files);
    const std::string rows = BackupRows(backup);
    EXPECT_TRUE(rows == before || rows == after);
  }
}

// A look (a report, a refresh, a close) that takes in no line: no durable
// file operation at all, and a close after it makes no backups. The rows
// it rebuilt wait in memory and go with the next commit.
TEST(PassCommit, APassThatTakesInNothingWritesNothingAndACloseAfterItNoBackups) {
  Tree tree;
  tree.Pass(Lines(kFirstLines));
  CloseTablesAndBackup(*tree.tables, tree.Files(), tree.dir.path());
  tree.Drop();
  tree.Open();
  const Folder before = ReadFolder(tree.dir.path());
  for (const auto& [name, bytes] : before) EXPECT_FALSE(name.ends_with(kStagedSuffix)) << name;
  std::vector<Recorder::Moment> moments;
  tree.Files().ResetCalls();
  {
    bool handedOver = true;
    Recorder recorder(tree.Files(), tree.dir.path(), &handedOver);
    tree.dateOfCalc = At(14, 30);
    tree.Pass("");
    tree.Pass("");
    CloseTablesAndBackup(*tree.tables, tree.Files(), tree.dir.path());
    moments = recorder.moments;
  }
  EXPECT_EQ(moments.size(), 0u);
  // Not even a write that is not flushed, a delete or a rename.
  const FileSystemCalls& calls = tree.Files().Calls();
  EXPECT_EQ(calls.createNewFile + calls.openForAppend + calls.write + calls.linkFile +
                calls.removeFile + calls.renameFile + calls.truncateFile,
            0);
  EXPECT_EQ(ReadFolder(tree.dir.path()), before);

  // The next pass that brings lines commits the rows kept in memory with its
  // own: the end is that of a run never left unwritten.
  Tree whole;
  whole.Pass(Lines(kFirstLines));
  whole.dateOfCalc = At(14, 30);
  whole.Pass(Lines(kSecondLines));
  tree.Drop();
  tree.Open();
  tree.Pass("");
  tree.Pass(Lines(kSecondLines));
  EXPECT_EQ(tree.Rows(), whole.Rows());
  CloseTablesAndBackup(*tree.tables, tree.Files(), tree.dir.path());
  EXPECT_EQ(BackupRows(tree.dir.File("Backup/")), whole.Rows());
  tree.Drop();
  tree.Open();
  EXPECT_EQ(tree.Rows(), whole.Rows());
}

TEST(PassCommit, ChangesMadeBeforeAPassThatTakesInNothingAreStillWritten) {
  Tree tree;
  tree.Pass(Lines(kFirstLines));
  // A complete row added without a save (as an import or an edit would).
  tree.tables->DataSetHistory.Append({std::int64_t{99}, "ann [PC1]", kTool, FieldValue{}, At(6, 0),
                                      At(7, 0), FieldValue{}, FieldValue{}, FieldValue{},
                                      std::int64_t{3600}, 0, std::int64_t{3600}, false, true, false,
                                      false});
  tree.Pass("");
  const std::string expected = tree.Rows();
  EXPECT_NE(expected.find("/99/"), std::string::npos);
  tree.Drop();
  tree.Open();
  EXPECT_EQ(tree.Rows(), expected);
}

TEST(PassCommit, APassWritesTheRowsThatChangedNotTheHistory) {
  Tree tree;
  Table& history = tree.tables->DataSetHistory;
  for (int i = 0; i < 20000; ++i) {
    history.Append({std::int64_t{1 + i / 10}, "ann [PC1]", kTool, FieldValue{}, At(8, 0), At(9, 0),
                    FieldValue{}, FieldValue{}, FieldValue{}, std::int64_t{3600}, 0,
                    std::int64_t{3600}, false, true, false, false});
  }
  history.Save();
  const std::string historyFile = ReadFileBytes(tree.dir.File(kHistoryFile));
  tree.Pass(Lines(kFirstLines));
  const std::uint64_t logAfterFirst = FileSize(tree.dir.File(kChangeLogFile));
  tree.Pass(Lines({Heartbeat(At(8, 8)), ToolEnd(At(8, 30), "7")}));
  EXPECT_EQ(ReadFileBytes(tree.dir.File(kHistoryFile)), historyFile);  // 1.1 MB, not written again
  EXPECT_LT(FileSize(tree.dir.File(kChangeLogFile)) - logAfterFirst, 2000u);

  const std::string expected = tree.Rows();
  tree.Drop();
  tree.Open();
  EXPECT_EQ(tree.Rows(), expected);
}

TEST(PassCommit, CompactionWritesTheFilesAndStartsTheLogAgain) {
  Tree tree;
  tree.Drop();
  tree.Open();
  tree.tables->group.SetCompactionLimits(3000, 1);
  std::uint64_t largest = 0;
  bool restarted = false;
  DateTime t = At(8, 0);
  tree.Pass(Lines({WindowsStart(t)}));
  for (int i = 0; i < 40; ++i) {
    t += 1.0 / 1440;
    tree.Pass(Lines({ToolStart(t, std::to_string(i)), ToolEnd(t + 1.0 / 2880, std::to_string(i))}));
    const std::uint64_t size = FileSize(tree.dir.File(kChangeLogFile));
    restarted = restarted || size < largest;
    largest = std::max(largest, size);
  }
  EXPECT_TRUE(restarted);
  EXPECT_LT(largest, 6000u);
  const std::string expected = tree.Rows();
  tree.Drop();
  tree.Open();
  EXPECT_EQ(tree.Rows(), expected);
}

TEST(PassCommit, BackupsAreLinksThatLaterWritesLeaveAlone) {
  Tree tree;
  tree.Pass(Lines(kFirstLines));
  CloseTablesAndBackup(*tree.tables, tree.Files(), tree.dir.path());
  const std::string backup = tree.dir.File("Backup/");
  for (const char* name : {kHistoryFile, kLoginsFile, kTransactionsFile}) {
    EXPECT_TRUE(fs::equivalent(ToFsPath(tree.dir.File(name)), ToFsPath(backup + name))) << name;
  }
  const auto tableBackups = [&] {
    Folder files = ReadFolder(backup);
    files.erase(kJournalFile);  // the hand-over journals what it fetches
    return files;
  };
  const Folder backups = tableBackups();
  EXPECT_TRUE(backups.count(kChangeLogFile));

  // A later session changes every file, compaction included; the backups
  // still hold the state of the close, and restore it.
  tree.Drop();
  tree.alwaysCompact = true;
  tree.Open();
  const std::string closed = tree.Rows();
  tree.Pass(Lines(kSecondLines));
  EXPECT_EQ(tableBackups(), backups);
  tree.Drop();
  WriteFileAtomic(test::NativeFiles(), tree.dir.File(kLoginsFile), "damaged");
  tree.Open();
  EXPECT_EQ(tree.Rows(), closed);
}

TEST(PassCommit, ADamagedRecordBeforeTheLastOneTakesTheRecoveryPath) {
  Tree tree;
  tree.Pass(Lines(kFirstLines));
  CloseTablesAndBackup(*tree.tables, tree.Files(), tree.dir.path());
  tree.Drop();
  tree.Open();
  const std::string closed = tree.Rows();
  tree.Pass(Lines({Heartbeat(At(8, 8))}));
  tree.Pass(Lines({Heartbeat(At(8, 9))}));
  tree.Drop();
  std::string log = ReadFileBytes(tree.dir.File(kChangeLogFile));
  log[20] = static_cast<char>(log[20] ^ 0x40);  // inside the first record
  WriteFileAtomic(test::NativeFiles(), tree.dir.File(kChangeLogFile), log);
  tree.Open();
  EXPECT_EQ(tree.Rows(), closed);
}

}  // namespace
}  // namespace brenvik::test
