#include "base/text_file.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/file_io.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

TEST(TextFile, WritesAByteOrderMarkAndKeepsItOnReading) {
  test::TempDir dir;
  const std::string file = dir.File("CopyForMonitor.dat");
  WriteTextFileWithBom(test::NativeFiles(), file, "line \xC3\xA4");
  EXPECT_EQ(ReadFileBytes(file), "\xEF\xBB\xBFline \xC3\xA4");
  EXPECT_EQ(ReadTextFile(file), std::string(kUtf8Bom) + "line \xC3\xA4");
}

TEST(TextFile, ReplacesAtomicallyAndLeavesNoTemporaryFile) {
  test::TempDir dir;
  const std::string file = dir.File("History.cds");
  WriteFileAtomic(test::NativeFiles(), file, "old");
  WriteFileAtomic(test::NativeFiles(), file, "new");
  EXPECT_EQ(ReadFileBytes(file), "new");
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(ToFsPath(dir.path()))) {
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST(TextFile, AFailedWriteKeepsTheOldFile) {
  test::TempDir dir;
  EXPECT_THROW(WriteFileAtomic(test::NativeFiles(), dir.File("missing-folder/x.dat"), "x"),
               FileError);
  EXPECT_THROW(ReadFileBytes(dir.File("nothing")), FileError);
}

int EntriesIn(const std::string& folder) {
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(ToFsPath(folder)))
    ++entries;
  return entries;
}

TEST(AtomicFileWriter, PutsThePiecesInPlaceOnlyOnCommit) {
  test::TempDir dir;
  const std::string file = dir.File("export.csv");
  WriteFileAtomic(test::NativeFiles(), file, "old");
  {
    AtomicFileWriter writer(test::NativeFiles(), file);
    writer.Write("new ");
    writer.Write("text");
    EXPECT_EQ(ReadFileBytes(file), "old");
    writer.Commit();
  }
  EXPECT_EQ(ReadFileBytes(file), "new text");
  {
    AtomicFileWriter abandoned(test::NativeFiles(), file);
    abandoned.Write("half");
  }
  EXPECT_EQ(ReadFileBytes(file), "new text");
  EXPECT_EQ(EntriesIn(dir.path()), 1);
  EXPECT_THROW(AtomicFileWriter(test::NativeFiles(), dir.File("missing-folder/x.csv")), FileError);
}

TEST(FileView, HoldsTheBytesOfAFileAndOfAnEmptyOne) {
  test::TempDir dir;
  std::string bytes(100000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  WriteFileAtomic(test::NativeFiles(), dir.File("History.cds"), bytes);
  WriteFileAtomic(test::NativeFiles(), dir.File("empty"), "");
  {
    const FileView view(test::NativeFiles(), dir.File("History.cds"));
    // Replacing the file whole leaves the view on the old bytes.
    WriteFileAtomic(test::NativeFiles(), dir.File("History.cds"), "other");
    EXPECT_EQ(view.Bytes(), bytes);
  }
  EXPECT_EQ(FileView(test::NativeFiles(), dir.File("empty")).Bytes(), "");
  EXPECT_THROW(FileView(test::NativeFiles(), dir.File("nothing")), FileError);
}

TEST(TextFile, NonAsciiPathsWork) {
  test::TempDir dir;
  const std::string folder = dir.File("B\xC3\xBCro/Daten");
  ASSERT_TRUE(test::NativeFiles().CreateFolders(folder));
  WriteTextFileWithBom(test::NativeFiles(), folder + "/x.txt", "y");
  EXPECT_TRUE(FileExists(folder + "/x.txt"));
  EXPECT_TRUE(test::NativeFiles().RenameFile(folder + "/x.txt", folder + "/z.txt"));
  EXPECT_FALSE(FileExists(folder + "/x.txt"));
  EXPECT_TRUE(test::NativeFiles().RemoveFile(folder + "/z.txt"));
  EXPECT_FALSE(test::NativeFiles().RemoveFile(folder + "/z.txt"));
}

TEST(TrimAndJoin, FollowTheHandOverRules) {
  EXPECT_EQ(Trim(" \t\r\nabc \r\n"), "abc");
  EXPECT_EQ(TrimLeft("\r\n a \r\n"), "a \r\n");
  EXPECT_EQ(Trim(std::string(kUtf8Bom) + "x"), std::string(kUtf8Bom) + "x");  // a mark is no blank
  EXPECT_EQ(JoinLines("", "b"), "b");
  EXPECT_EQ(JoinLines("a", "b"), "a\r\nb");
  EXPECT_EQ(JoinLines("a", ""), "a\r\n");
}

}  // namespace
}  // namespace brenvik
