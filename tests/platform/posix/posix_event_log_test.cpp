// The System log of the POSIX backend where there is no accounting file: the
// journal's list of boots.
#include "platform/posix/posix_event_log.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "records/date_time.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

// Both forms journalctl has printed over the years.
constexpr const char* kBoots =
    "IDX BOOT ID                          FIRST ENTRY                 LAST ENTRY\n"
    " -1 8d3f0c2a9b7e4f1d a5c6 Tue 2013-04-30 06:00:05 UTC Tue 2013-04-30 09:59:58 UTC\n"
    "  0 1b2c3d4e5f60718293a4b5c6d7e8f901 Tue 2013-04-30 10:02:00 UTC\xE2\x80\x94Tue 2013-04-30 "
    "12:00:00 UTC\n"
    "-- No entries --\n";

TEST(PosixEventLog, EachBootOfTheJournalIsAStartAndAnotherEventAtItsLastEntry) {
  const auto records = ParseJournalBoots(kBoots);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].eventId, kEventBoot);
  EXPECT_EQ(records[0].timeGenerated, EncodeDateTime(2013, 4, 30, 6, 0, 5));
  EXPECT_EQ(records[1].eventId, 0u);
  EXPECT_EQ(records[1].timeGenerated, EncodeDateTime(2013, 4, 30, 9, 59, 58));
  EXPECT_EQ(records[2].timeGenerated, EncodeDateTime(2013, 4, 30, 10, 2, 0));
  EXPECT_EQ(records[3].recordNumber, 4u);
}

TEST(PosixEventLog, TheJournalStandsInWhenThereIsNoAccountingFile) {
  test::TempDir dir;
  dir.Write("boots.txt", kBoots);
  PosixEventLog log(dir.File("no-wtmp"), "cat '" + dir.File("boots.txt") + "'");
  // The first boot's last entry is repeated: the run is known to end there.
  EXPECT_EQ(log.ReadAll(EventLogName::System).size(), 5u);
  EXPECT_TRUE(log.ReadAll(EventLogName::Application).empty());
  EXPECT_THROW(PosixEventLog(dir.File("no-wtmp"), "false").ReadAll(EventLogName::System),
               PlatformError);
}

}  // namespace
}  // namespace brenvik
