// The hand-over over the real socket and the real clock of the POSIX backend.
#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_link/hand_over.h"
#include "datastore/service_link/journal.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_service_pipe.h"
#include "support/failing_file_system.h"
#include "support/posix/fake_service.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

const std::string kStart = "2013-04-30 17:05:09;7200;PC1|ann;1;;3600";
const std::string kProgram = "2013-04-30 17:06:10;7200;PC1|ann;3;C:\\Apps\\x.exe;4242";

TEST(PosixHandOver, TakesTheServicesLinesAndKeepsThemWhenTheServiceIsGone) {
  test::TempDir dir;
  PosixServicePipe pipe;
  PosixClock clock;
  const ServiceLink link{pipe, clock, test::NativeFiles(), dir.path()};
  int failures = 0;
  {
    test::FakeService service(dir.path());
    service.PrepareHandOver(kStart + "\r\n" + kProgram + "\r\n");
    EXPECT_EQ(FetchLogLines(link, failures).text, kStart + "\r\n" + kProgram);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(service.Received().size(), 1u);
  }
  // The pass was cut off and the service has ended since.
  EXPECT_EQ(FetchLogLines(link, failures).text, "");
  EXPECT_EQ(failures, -1);
  EXPECT_FALSE(FileExists(dir.File(kCopyForMonitorFile)));
  EXPECT_EQ(ReadTextFile(dir.File(kCopyForMonitor2File)),
            std::string(kUtf8Bom) + kStart + "\r\n" + kProgram);
  EXPECT_EQ(JournalText(link.BackupFile(kJournalFile)), kStart + "\r\n" + kProgram);
}

}  // namespace
}  // namespace brenvik
