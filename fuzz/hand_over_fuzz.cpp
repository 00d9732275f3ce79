// The hand-over over any file contents: the held-back lines, a
// CopyForMonitor.dat left by an earlier hand-over, the lines of an unfinished
// pass and what the service writes. Whatever the files hold, the returned
// text keeps every one of them (trimmed) and is, trimmed, what
// CopyForMonitor.dat holds afterwards, and the journal ends with the service's lines.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/hand_over.h"
#include "fuzz_support.h"
#include "support/fakes.h"

using namespace brenvik;

namespace {

// The text of a piece as the hand-over takes a file in.
std::string Taken(std::string_view piece) {
  return HandOverFileText(fuzz::WriteScratchFile("piece.dat", piece));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = fuzz::SplitInput(fuzz::AsText(data, size), 4);
  const std::string folder = fuzz::ScratchFolder() + "data/";
  std::filesystem::remove_all(folder);
  ForceDirectories(folder);
  const char* names[] = {kProcessNextTimeFile, kCopyForMonitorFile, kCopyForMonitor2File};
  for (std::size_t i = 0; i < parts.size() && i < 3; ++i) {
    if (!parts[i].empty()) fuzz::WriteScratchFile(std::string("data/") + names[i], parts[i]);
  }
  const std::string_view serviceLines = parts.size() == 4 ? parts[3] : std::string_view();

  test::FakeServicePipe pipe;
  pipe.onMessage = [&](const std::string&) {
    fuzz::WriteScratchFile(std::string("data/") + kCopyForMonitorFile, serviceLines);
  };
  test::FakeClock clock;
  const ServiceLink link{pipe, clock, folder};
  int failures = 0;
  const std::string text = FetchLogLines(link, failures);

  fuzz::Check(HandOverFileText(link.DataFile(kCopyForMonitorFile)) == Trim(text),
              "CopyForMonitor.dat does not hold the returned lines");
  for (std::string_view part : parts) {
    fuzz::Check(text.find(Taken(part)) != std::string::npos, "a hand-over file's lines are lost");
  }
  const std::string journal = HandOverFileText(link.BackupFile(kJournalFile));
  const std::string service = Taken(serviceLines);
  fuzz::Check(journal.size() >= service.size() &&
                  journal.compare(journal.size() - service.size(), service.size(), service) == 0,
              "the journal does not end with the service's lines");
  return 0;
}
