#include "datastore/service_link/hand_over.h"

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_link/journal.h"
#include "datastore/service_link/service_channel.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

const std::string kStart = "2013-04-30 17:05:09;7200;PC1|ann;1;;3600";
const std::string kProgram = "2013-04-30 17:06:10;7200;PC1|ann;3;C:\\Apps\\x.exe;4242";
const std::string kIdle = "2013-04-30 17:20:00;7200;PC1|ann;9;300;";
const std::string kEnd = "2013-04-30 17:30:00;7200;PC1|ann;4;C:\\Apps\\x.exe;4242";

std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

std::string WithBom(const std::string& text) { return std::string(kUtf8Bom) + text; }

class HandOverTest : public ::testing::Test {
 protected:
  // The service answers command 2 by writing these lines as it does: UTF-8
  // with a byte-order mark. Empty lines: it takes the command, writes nothing.
  void ServiceHandsOver(const std::string& lines) {
    pipe.onMessage = [this, lines](const std::string&) {
      if (!lines.empty())
        WriteTextFileWithBom(test::NativeFiles(), dir.File(kCopyForMonitorFile), lines);
    };
  }
  std::string Fetch() { return FetchLogLines(link, failures).text; }
  std::string File(const char* name) const { return ReadTextFile(dir.File(name)); }
  bool Exists(const char* name) const { return FileExists(dir.File(name)); }
  // The journalled lines, as one text.
  std::string Journal() const { return JournalText(link.BackupFile(kJournalFile)); }

  test::TempDir dir;
  test::FakeServicePipe pipe;
  test::FakeClock clock;
  ServiceLink link{pipe, clock, test::NativeFiles(), dir.path()};
  int failures = -2;
};

TEST_F(HandOverTest, CleanStateGivesExactlyTheLinesOfTheService) {
  ServiceHandsOver(Lines({kStart, kProgram}));
  EXPECT_EQ(Fetch(), Lines({kStart, kProgram}));
  EXPECT_EQ(pipe.messages, std::vector<std::string>{ServiceCommandMessage(2, "")});
  EXPECT_EQ(File(kCopyForMonitorFile), WithBom(Lines({kStart, kProgram})));
  EXPECT_FALSE(Exists(kCopyForMonitor2File));
  EXPECT_EQ(Journal(), Lines({kStart, kProgram}));
  EXPECT_EQ(failures, -2);
  EXPECT_EQ(clock.sleptMs, 100);  // the file was there after the first sleep
}

TEST_F(HandOverTest, NewLinesAreAppendedToTheJournal) {
  test::NativeFiles().CreateFolders(dir.path() + "Backup");
  WriteTextFileWithBom(test::NativeFiles(), link.BackupFile(kJournalFile), kStart + "\r\n\r\n");
  ServiceHandsOver(kProgram);
  EXPECT_EQ(Fetch(), kProgram);
  EXPECT_EQ(Journal(), Lines({kStart, kProgram}));
}

TEST_F(HandOverTest, AnEmptyHandOverLeavesTheJournalUnwritten) {
  test::NativeFiles().CreateFolders(dir.path() + "Backup");
  WriteTextFileWithBom(test::NativeFiles(), link.BackupFile(kJournalFile), kStart + "\r\n\r\n");
  pipe.onMessage = [this](const std::string&) { dir.Write(kCopyForMonitorFile, ""); };
  EXPECT_EQ(Fetch(), "");
  // As written, not joined anew; the service's empty file is gone.
  EXPECT_EQ(ReadTextFile(link.BackupFile(kJournalFile)), WithBom(kStart + "\r\n\r\n"));
  EXPECT_FALSE(Exists(kCopyForMonitorFile));
}

TEST_F(HandOverTest, LinesOfACutOffPassComeFirstAndAreNotJournalledAgain) {
  // Left by a pass that was cut off; its hand-over journalled it.
  test::NativeFiles().CreateFolders(dir.path() + "Backup");
  WriteTextFileWithBom(test::NativeFiles(), link.BackupFile(kJournalFile), kStart);
  dir.Write(kCopyForMonitorFile, WithBom(kStart));
  ServiceHandsOver(kProgram);
  EXPECT_EQ(Fetch(), Lines({kStart, kProgram}));
  EXPECT_EQ(File(kCopyForMonitorFile), WithBom(Lines({kStart, kProgram})));
  EXPECT_FALSE(Exists(kCopyForMonitor2File));
  EXPECT_EQ(Journal(), Lines({kStart, kProgram}));
}

TEST_F(HandOverTest, ServiceNotRunningCountsOneFailureAndKeepsTheLinesAside) {
  dir.Write(kCopyForMonitorFile, WithBom(kStart));
  pipe.running = false;
  EXPECT_EQ(Fetch(), "");
  EXPECT_EQ(failures, -3);
  EXPECT_FALSE(Exists(kCopyForMonitorFile));
  EXPECT_EQ(File(kCopyForMonitor2File), WithBom(kStart));
  // The journal did not hold them: they are journalled as they go aside.
  EXPECT_EQ(Journal(), kStart);
  EXPECT_EQ(clock.sleptMs, 0);  // no wait for a service that is not there

  // The next hand-over that reaches the service delivers them first.
  pipe.running = true;
  ServiceHandsOver(kProgram);
  EXPECT_EQ(Fetch(), Lines({kStart, kProgram}));
  EXPECT_EQ(failures, -3);
  EXPECT_FALSE(Exists(kCopyForMonitor2File));
}

TEST_F(HandOverTest, HeldBackLinesComeBeforeEverythingElse) {
  dir.Write(kProcessNextTimeFile, kStart + "\r\n");
  dir.Write(kCopyForMonitorFile, WithBom(kProgram));
  pipe.running = false;
  EXPECT_EQ(Fetch(), "");
  EXPECT_FALSE(Exists(kProcessNextTimeFile));
  EXPECT_EQ(File(kCopyForMonitor2File), WithBom(Lines({kStart, kProgram})));

  pipe.running = true;
  ServiceHandsOver(kIdle);
  EXPECT_EQ(Fetch(), Lines({kStart, kProgram, kIdle}));
  // Held-back lines are taken in too, so the journal gets them with the rest.
  EXPECT_EQ(Journal(), Lines({kStart, kProgram, kIdle}));
}

TEST_F(HandOverTest, ARemainderGoesInFrontOfTheLinesOfALaterCutOffPass) {
  dir.Write(kCopyForMonitor2File, WithBom(kStart));
  dir.Write(kCopyForMonitorFile, WithBom(kProgram));
  ServiceHandsOver(kIdle);
  EXPECT_EQ(Fetch(), Lines({kStart, kProgram, kIdle}));
  EXPECT_FALSE(Exists(kCopyForMonitor2File));
}

TEST_F(HandOverTest, ARemainderGoesEvenInFrontOfHeldBackLines) {
  // The remainder is joined in front of CopyForMonitor.dat after the held-back
  // lines have been put there.
  dir.Write(kProcessNextTimeFile, WithBom(kProgram));
  dir.Write(kCopyForMonitor2File, WithBom(kStart));
  ServiceHandsOver(kIdle);
  EXPECT_EQ(Fetch(), Lines({kStart, kProgram, kIdle}));
  EXPECT_FALSE(Exists(kProcessNextTimeFile));
}

TEST_F(HandOverTest, ASilentServiceCostsOneSecondAndNoFailure) {
  ServiceHandsOver("");
  EXPECT_EQ(Fetch(), "");
  EXPECT_EQ(clock.sleptMs, 1000);
  EXPECT_EQ(failures, -2);
  EXPECT_FALSE(Exists(kCopyForMonitorFile));
  EXPECT_FALSE(FileExists(link.BackupFile(kJournalFile)));

  // With a remainder, the remainder alone is the text of the pass, and the
  // file holds exactly that text (a commit's mark of it must recognise it).
  dir.Write(kCopyForMonitorFile, WithBom(kStart));
  EXPECT_EQ(Fetch(), kStart);
  EXPECT_EQ(File(kCopyForMonitorFile), WithBom(kStart));
  EXPECT_FALSE(Exists(kCopyForMonitor2File));
  EXPECT_EQ(Journal(), kStart);
}

// What a stop of the program (SIGKILL, power loss) can leave between the
// steps of a hand-over; the next hand-over takes every line once and the
// journal ends up with every line once.
TEST_F(HandOverTest, AServiceFileLeftByAStopDuringTheWaitReachesTheJournal) {
  test::NativeFiles().CreateFolders(dir.path() + "Backup");
  WriteTextFileWithBom(test::NativeFiles(), link.BackupFile(kJournalFile), kStart);
  dir.Write(kCopyForMonitorFile, kProgram);  // written by the service, never fetched
  ServiceHandsOver(kIdle);
  EXPECT_EQ(Fetch(), Lines({kProgram, kIdle}));
  EXPECT_EQ(Journal(), Lines({kStart, kProgram, kIdle}));
}

TEST_F(HandOverTest, AStopBeforeTheRemainderIsDeletedDoesNotDoubleIt) {
  // Step 8 wrote the joined text, the stop came before CopyForMonitor2.dat went.
  test::NativeFiles().CreateFolders(dir.path() + "Backup");
  WriteTextFileWithBom(test::NativeFiles(), link.BackupFile(kJournalFile),
                       Lines({kStart, kProgram}));
  dir.Write(kCopyForMonitor2File, WithBom(kStart));
  dir.Write(kCopyForMonitorFile, WithBom(Lines({kStart, kProgram})));
  ServiceHandsOver(kIdle);
  EXPECT_EQ(Fetch(), Lines({kStart, kProgram, kIdle}));
  EXPECT_EQ(Journal(), Lines({kStart, kProgram, kIdle}));
}

TEST_F(HandOverTest, AStopBeforeTheHeldBackLinesAreDeletedDoesNotDoubleThem) {
  dir.Write(kProcessNextTimeFile, kStart);
  dir.Write(kCopyForMonitorFile, WithBom(Lines({kStart, kProgram})));
  ServiceHandsOver(kIdle);
  EXPECT_EQ(Fetch(), Lines({kStart, kProgram, kIdle}));
}

TEST_F(HandOverTest, OnlyAWholeFrontAtTheStartOfTheFileCountsAsJoinedAlready) {
  dir.Write(kCopyForMonitor2File, WithBom(Lines({kStart, kProgram})));
  dir.Write(kCopyForMonitorFile, WithBom(Lines({kStart, kProgram + "0", kIdle})));
  ServiceHandsOver(kEnd);
  EXPECT_EQ(Fetch(), Lines({kStart, kProgram, kStart, kProgram + "0", kIdle, kEnd}));
}

TEST_F(HandOverTest, TheWaitEndsWhenTheFileAppearsAndItsLastLookIsAfterTheTenthSleep) {
  int sleeps = 0;
  int writeAt = 4;
  clock.onSleep = [&] {
    if (++sleeps == writeAt)
      WriteTextFileWithBom(test::NativeFiles(), dir.File(kCopyForMonitorFile), kProgram);
  };
  EXPECT_EQ(Fetch(), kProgram);
  EXPECT_EQ(clock.sleptMs, 400);

  sleeps = 0;
  writeAt = 10;
  clock.sleptMs = 0;
  test::NativeFiles().RemoveFile(dir.File(kCopyForMonitorFile));  // the pass ended
  EXPECT_EQ(Fetch(), kProgram);
  EXPECT_EQ(clock.sleptMs, 1000);
}

TEST_F(HandOverTest, FilesWithAndWithoutByteOrderMarksGiveTheSameText) {
  dir.Write(kProcessNextTimeFile, kStart);
  dir.Write(kCopyForMonitorFile, WithBom(kProgram));
  pipe.onMessage = [this](const std::string&) { dir.Write(kCopyForMonitorFile, kIdle); };
  const std::string plain = Fetch();

  test::TempDir other;
  ServiceLink otherLink{pipe, clock, test::NativeFiles(), other.path()};
  other.Write(kProcessNextTimeFile, WithBom(kStart));
  other.Write(kCopyForMonitorFile, kProgram);
  pipe.onMessage = [&](const std::string&) { other.Write(kCopyForMonitorFile, WithBom(kIdle)); };
  EXPECT_EQ(FetchLogLines(otherLink, failures).text, plain);
  EXPECT_EQ(plain, Lines({kStart, kProgram, kIdle}));
}

TEST_F(HandOverTest, RepeatedCutOffPassesDoNotPileUpByteOrderMarks) {
  const std::string lines[] = {kStart, kProgram, kIdle, kEnd};
  for (const std::string& line : lines) {
    ServiceHandsOver(line);
    Fetch();  // and the pass is cut off: CopyForMonitor.dat stays
  }
  EXPECT_EQ(File(kCopyForMonitorFile), WithBom(Lines({kStart, kProgram, kIdle, kEnd})));
  EXPECT_EQ(Journal(), Lines({kStart, kProgram, kIdle, kEnd}));
}

}  // namespace
}  // namespace brenvik
