// The atomic and durable writes on a disk that fails at each step, through
// the failing variant of the file system that tests hand in.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/errors.h"
#include "base/file_io.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

using test::FileErrorOf;

int EntriesIn(const std::string& folder) {
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(ToFsPath(folder)))
    ++entries;
  return entries;
}

TEST(FailingDisk, AnAtomicWriteThatFailsAtAnyStepKeepsTheOldFileAndNoTemporary) {
  struct Fault {
    std::function<void(test::FailingFileSystem&)> arm;
    std::string message;  // after the file's name
  };
  const Fault faults[] = {
      {[](auto& files) { files.DiskFullFromWrite(1); }, ": No space left on device"},
      {[](auto& files) { files.FailSyncs(); }, ": Input/output error"},
      {[](auto& files) { files.FailAtomicRenames(); }, ": Permission denied"},
  };
  for (const Fault& fault : faults) {
    test::TempDir dir;
    test::FailingFileSystem files;
    const std::string file = dir.Write("History.cds", "old rows");
    fault.arm(files);
    const std::string error = FileErrorOf([&] { WriteFileAtomic(files, file, "new rows"); });
    EXPECT_TRUE(error.ends_with("file \"" + file + "\"" + fault.message)) << error;
    EXPECT_EQ(ReadFileBytes(file), "old rows");
    EXPECT_EQ(EntriesIn(dir.path()), 1);
  }
}

// A crash at any moment leaves the old or the new content: the new file is on
// the disk before it takes the old one's place.
TEST(FailingDisk, AnAtomicWriteFlushesTheNewFileBeforePuttingItInPlace) {
  test::TempDir dir;
  test::FailingFileSystem files;
  const std::string file = dir.Write("History.cds", "old rows");
  std::vector<std::string> seen;
  files.atDurableStep = [&] { seen.push_back(ReadFileBytes(file)); };
  WriteFileAtomic(files, file, "new rows");
  // The flush, then before and after the rename.
  EXPECT_EQ(seen, (std::vector<std::string>{"old rows", "old rows", "new rows"}));
  EXPECT_EQ(files.Calls().createNewFile, 1);
  EXPECT_EQ(files.Calls().close, 1);
  EXPECT_EQ(files.Calls().syncFolder, 1);
  EXPECT_EQ(files.Calls().Total(), 6);  // create, write, close, flush, rename, folder: no more
}

TEST(FailingDisk, AnAppendOnAFullDiskSaysSoAndIsNotFlushed) {
  test::TempDir dir;
  test::FailingFileSystem files;
  const std::string file = dir.Write("TableChanges.cdl", "header");
  files.DiskFullFromWrite(1);
  EXPECT_EQ(FileErrorOf([&] { AppendFileDurable(files, file, "record"); }),
            "Cannot write file \"" + file + "\": No space left on device");
  EXPECT_EQ(ReadFileBytes(file), "header");
  EXPECT_EQ(files.Calls().syncFile, 0);
}

TEST(FailingDisk, TheDiskFillsAtTheNthWriteAndStaysFullUntilHealed) {
  test::TempDir dir;
  test::FailingFileSystem files;
  const std::string file = dir.File("export.csv");
  files.DiskFullFromWrite(3);
  AtomicFileWriter writer(files, file);
  writer.Write("one ");
  writer.Write("two ");
  EXPECT_THROW(writer.Write("three"), FileError);
  EXPECT_THROW(WriteFileAtomic(files, file, "again"), FileError);
  files.Heal();
  WriteFileAtomic(files, file, "with room");
  EXPECT_EQ(ReadFileBytes(file), "with room");
  EXPECT_EQ(files.Calls().write, 5);
}

}  // namespace
}  // namespace brenvik
