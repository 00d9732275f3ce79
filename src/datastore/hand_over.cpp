#include "datastore/hand_over.h"

#include <string_view>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_channel.h"

namespace brenvik {

std::string ServiceLink::BackupFile(const std::string& name) const {
  return dataFolder + "Backup" + PathSeparator() + name;
}

namespace {

// The trimmed content of a hand-over file, without the byte-order marks in
// front of it. Every file here is written with a mark; kept in the text, it
// would add one more mark at the start of the journal with every hand-over
// and one more to CopyForMonitor.dat with every cut-off pass.
std::string TrimmedContent(const std::string& path) { return HandOverFileText(path); }

}  // namespace

std::string HandOverFileText(const std::string& path) {
  const std::string text = ReadTextFile(path);
  std::string_view rest = text;
  for (;;) {
    while (!rest.empty() && static_cast<unsigned char>(rest.front()) <= 32) rest.remove_prefix(1);
    if (!rest.starts_with(kUtf8Bom)) break;
    rest.remove_prefix(kUtf8Bom.size());
  }
  return Trim(rest);
}

namespace {

// Held-back lines first, then whatever CopyForMonitor.dat holds.
void TakeInHeldBackLines(const ServiceLink& link) {
  const std::string nextTime = link.DataFile(kProcessNextTimeFile);
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  if (!FileExists(nextTime)) return;
  std::string s = TrimmedContent(nextTime);
  if (FileExists(copy)) s = JoinLines(s, TrimmedContent(copy));
  WriteTextFileWithBom(copy, s);
  DeleteFileIfExists(nextTime);
}

// The lines of a pass that did not finish go in front of CopyForMonitor.dat.
void TakeInRemainder(const ServiceLink& link) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  const std::string copy2 = link.DataFile(kCopyForMonitor2File);
  if (!FileExists(copy2)) return;
  std::string s = TrimmedContent(copy2);
  if (FileExists(copy)) s = JoinLines(s, TrimmedContent(copy));
  WriteTextFileWithBom(copy, s);
  DeleteFileIfExists(copy2);
}

// Moves CopyForMonitor.dat aside so that the service can write a new one.
// When the rename fails the content is copied instead; CopyForMonitor.dat is
// deleted only once its lines are safe in CopyForMonitor2.dat.
void MakeRoomForService(const ServiceLink& link) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  const std::string copy2 = link.DataFile(kCopyForMonitor2File);
  if (!FileExists(copy)) return;
  if (!RenameFile(copy, copy2)) CopyFileOverwrite(copy, copy2);
  DeleteFileIfExists(copy);
}

void WaitForHandOverFile(const ServiceLink& link) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  for (int sleeps = 1; sleeps <= 10; ++sleeps) {
    link.clock.Sleep(100);
    if (sleeps < 10 && FileExists(copy)) return;
  }
}

}  // namespace

std::string FetchLogLines(const ServiceLink& link, int& failureCount) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  const std::string copy2 = link.DataFile(kCopyForMonitor2File);
  TakeInHeldBackLines(link);
  TakeInRemainder(link);
  MakeRoomForService(link);

  if (!SendServiceCommand(link.pipe, link.dataFolder, kCommandHandOverLines, "")) {
    --failureCount;
    return std::string();
  }
  WaitForHandOverFile(link);

  if (!FileExists(copy2) && !FileExists(copy)) return std::string();
  std::string s;
  if (FileExists(copy)) {
    s = TrimmedContent(copy);
    const std::string journal = link.BackupFile(kJournalFile);
    const std::string b = FileExists(journal) ? TrimmedContent(journal) : std::string();
    ForceDirectories(link.dataFolder + "Backup");
    WriteTextFileWithBom(journal, JoinLines(b, s));
  }
  std::string t;
  if (FileExists(copy2)) t = TrimmedContent(copy2);
  s = JoinLines(t, s);
  WriteTextFileWithBom(copy, s);
  if (FileExists(copy2)) DeleteFileIfExists(copy2);
  return s;
}

}  // namespace brenvik
