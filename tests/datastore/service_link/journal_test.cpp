// The journal of appends: lines read back as appended, a tail torn anywhere
// never read and cut before the next append, a damaged append left out, the
// plain form of earlier versions taken over, bytes that are not UTF-8 kept,
// and a journal past a gigabyte appended to without reading it whole.
#include "datastore/service_link/journal.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <filesystem>

#include "base/crc32.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "support/failing_file_system.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

const std::string kStart = "2013-04-30 17:05:09;7200;PC1|ann;1;;3600";
const std::string kProgram = "2013-04-30 17:06:10;7200;PC1|ann;3;C:\\Apps\\x.exe;4242";
const std::string kIdle = "2013-04-30 17:20:00;7200;PC1|ann;9;300;";
const std::string kEnd = "2013-04-30 17:30:00;7200;PC1|ann;4;C:\\Apps\\x.exe;4242";

class JournalTest : public ::testing::Test {
 protected:
  FileSystem& files = test::NativeFiles();
  test::TempDir dir;
  std::string path = dir.File("LogInformation.dat");
};

TEST_F(JournalTest, AppendsAddToTheEndAndReadBackAsAppended) {
  AppendToJournal(files, path, kStart + "\r\n" + kProgram);
  const std::string first = ReadFileBytes(path);
  EXPECT_TRUE(first.starts_with(std::string(kUtf8Bom) + std::string(kJournalHeader)));
  AppendToJournal(files, path, kIdle + "\r\n");  // a final line break is not doubled
  AppendToJournal(files, path, "");              // nothing to append: nothing written
  const std::string both = ReadFileBytes(path);
  EXPECT_EQ(both.substr(0, first.size()), first);  // the first append is left as it was
  EXPECT_EQ(JournalText(path), kStart + "\r\n" + kProgram + "\r\n" + kIdle);
  EXPECT_EQ(JournalTail(path, 1000), kStart + "\r\n" + kProgram + "\r\n" + kIdle + "\r\n");
  // Whole appends only: the last one alone fits.
  EXPECT_EQ(JournalTail(path, kIdle.size() + 2), kIdle + "\r\n");

  WriteJournal(files, path, kEnd);
  EXPECT_EQ(JournalText(path), kEnd);
  const JournalLayout layout = ReadJournalLayout(path);
  EXPECT_TRUE(layout.sealed);
  EXPECT_EQ(layout.appends.size(), 1u);
  EXPECT_EQ(layout.soundEnd, FileSize(path));
}

TEST_F(JournalTest, ATailTornAnywhereIsNeverReadAndIsCutBeforeTheNextAppend) {
  AppendToJournal(files, path, kStart + "\r\n" + kProgram);
  const std::string sound = ReadFileBytes(path);
  AppendToJournal(files, path, kIdle + "\r\n" + kEnd);
  const std::string whole = ReadFileBytes(path);
  for (std::size_t cut = sound.size(); cut < whole.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    WriteFileAtomic(files, path, whole.substr(0, cut));
    EXPECT_EQ(JournalText(path), kStart + "\r\n" + kProgram);
    EXPECT_EQ(ReadJournalLayout(path).soundEnd, sound.size());
    AppendToJournal(files, path, kEnd);
    EXPECT_EQ(JournalText(path), kStart + "\r\n" + kProgram + "\r\n" + kEnd);
    WriteFileAtomic(files, path, whole.substr(0, cut));
    EXPECT_EQ(CutTornJournalTail(files, path), cut > sound.size());
    EXPECT_EQ(ReadFileBytes(path), sound);
  }
  // A sound journal is left alone.
  EXPECT_FALSE(CutTornJournalTail(files, path));
  // A tail of a line that looks like a seal but names the wrong start or
  // checksum is torn as well.
  AppendFileDurable(files, path, kIdle + "\r\n#BRVJ 0 00000000\r\n");
  EXPECT_EQ(JournalText(path), kStart + "\r\n" + kProgram);
  EXPECT_TRUE(CutTornJournalTail(files, path));
}

TEST_F(JournalTest, AnAppendWhoseLinesFailTheirChecksumIsLeftOut) {
  AppendToJournal(files, path, kStart);
  AppendToJournal(files, path, kProgram);
  AppendToJournal(files, path, kIdle);
  std::string bytes = ReadFileBytes(path);
  bytes[bytes.find(kProgram) + 3] ^= 0x01;
  WriteFileAtomic(files, path, bytes);
  EXPECT_EQ(JournalText(path), kStart + "\r\n" + kIdle);
  // Damage is not a torn tail: the appends after it stay.
  EXPECT_FALSE(CutTornJournalTail(files, path));
}

TEST_F(JournalTest, AJournalOfThePlainFormIsReadAndSealedAtItsNextAppend) {
  WriteTextFileWithBom(files, path, "\r\n" + kStart + "\r\n" + kProgram + "\r\n\r\n");
  EXPECT_FALSE(ReadJournalLayout(path).sealed);
  EXPECT_EQ(JournalText(path), kStart + "\r\n" + kProgram);
  EXPECT_FALSE(CutTornJournalTail(files, path));
  AppendToJournal(files, path, kIdle);
  EXPECT_TRUE(ReadJournalLayout(path).sealed);
  EXPECT_EQ(ReadJournalLayout(path).appends.size(), 2u);
  EXPECT_EQ(JournalText(path), kStart + "\r\n" + kProgram + "\r\n" + kIdle);
}

TEST_F(JournalTest, BytesThatAreNotUtf8AreKeptAsTheyCame) {
  const std::string odd = "2013-04-30 17:06:10;7200;PC1|\xC3\x28nn;3;C:\\\xFF\xFE.exe;1";
  AppendToJournal(files, path, odd);
  AppendToJournal(files, path, "\x80\x80\r\n" + kStart);
  EXPECT_EQ(JournalText(path), odd + "\r\n\x80\x80\r\n" + kStart);
  std::string pieces;
  ForEachJournalPiece(path, [&pieces](std::string_view piece) { pieces += piece; });
  EXPECT_EQ(pieces, odd + "\r\n\x80\x80\r\n" + kStart + "\r\n");
}

TEST_F(JournalTest, AJournalPastAGigabyteIsAppendedToWithoutReadingItWhole) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a sparse file";
#else
  // One append of a gigabyte of zero bytes (a hole: no disk is used), sealed,
  // then a small one.
  const std::uint64_t hole = 1ull << 30;
  const std::uint64_t begin = kUtf8Bom.size() + kJournalHeader.size();
  WriteFileAtomic(files, path, std::string(kUtf8Bom) + std::string(kJournalHeader));
  std::filesystem::resize_file(ToFsPath(path), begin + hole);
  const std::string zeros(kFileChunkBytes, '\0');
  std::uint32_t crc = 0;
  for (std::uint64_t at = 0; at < hole; at += zeros.size()) crc = Crc32(zeros, crc);
  crc = Crc32("\r\n", crc);
  char seal[64];
  std::snprintf(seal, sizeof seal, "\r\n#BRVJ %llu %08x\r\n",
                static_cast<unsigned long long>(begin), crc);
  AppendFileDurable(files, path, seal);
  const std::uint64_t second = FileSize(path);
  std::snprintf(seal, sizeof seal, "\r\n#BRVJ %llu %08x\r\n",
                static_cast<unsigned long long>(second), Crc32(kStart + "\r\n"));
  AppendFileDurable(files, path, kStart + seal);

  AppendToJournal(files, path, kProgram);
  EXPECT_EQ(JournalTail(path, 64u << 20), kStart + "\r\n" + kProgram + "\r\n");
  EXPECT_FALSE(CutTornJournalTail(files, path));
  AppendFileDurable(files, path, kIdle);  // torn
  EXPECT_TRUE(CutTornJournalTail(files, path));
  EXPECT_GT(FileSize(path), hole);
  // Never more than pieces of it in memory (a whole read would take 1 GiB).
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss, 256 * 1024);  // kilobytes
#endif
}

}  // namespace
}  // namespace brenvik
