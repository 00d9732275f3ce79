// The hand-over over any file contents: the held-back lines, a
// CopyForMonitor.dat left by an earlier hand-over, the lines of an unfinished
// pass and what the service writes. Whatever the files hold,
// CopyForMonitor.dat afterwards keeps every one of them (trimmed), the pass
// takes in its first lines (all of them when they fit the pass limit, which
// half of the inputs set small), and the journal ends with the service's lines.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_link/hand_over.h"
#include "datastore/service_link/journal.h"
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
  test::NativeFiles().CreateFolders(folder);
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
  const std::uint64_t limit = size % 2 == 0 ? kHandOverPassLimit : 16 + size / 4;
  const ServiceLink link{pipe, clock, test::NativeFiles(), folder, limit};
  int failures = 0;
  const FetchedLines fetched = FetchLogLines(link, failures);

  // A hand-over with nothing new and nothing left over deletes the service's
  // empty file instead of rewriting it.
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  const std::string held = FileExists(copy) ? HandOverFileText(copy) : std::string();
  const std::string taken = Trim(fetched.text);
  fuzz::Check(held.compare(0, taken.size(), taken) == 0,
              "the pass does not take in the first lines of CopyForMonitor.dat");
  if (fetched.Complete()) {
    fuzz::Check(held == taken, "CopyForMonitor.dat does not hold the lines taken in");
  } else {
    fuzz::Check(fetched.text.size() <= limit, "the pass takes in more than its limit");
  }
  for (std::string_view part : parts) {
    fuzz::Check(held.find(Taken(part)) != std::string::npos, "a hand-over file's lines are lost");
  }
  const std::string journalPath = link.BackupFile(kJournalFile);
  const std::string journal = FileExists(journalPath) ? JournalText(journalPath) : std::string();
  const std::string service = Taken(serviceLines);
  fuzz::Check(journal.size() >= service.size() &&
                  journal.compare(journal.size() - service.size(), service.size(), service) == 0,
              "the journal does not end with the service's lines");
  return 0;
}
