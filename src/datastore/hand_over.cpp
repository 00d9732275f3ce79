#include "datastore/hand_over.h"

#include <algorithm>
#include <string_view>
#include <vector>

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

// The lines of a hand-over text (runs of CR and LF separate them), each
// without byte-order marks in front.
std::vector<std::string_view> LinesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
    std::string_view line = text.substr(at, end - at);
    while (line.starts_with(kUtf8Bom)) line.remove_prefix(kUtf8Bom.size());
    if (!line.empty()) lines.push_back(line);
    at = text.find_first_not_of("\r\n", end);
    if (at == std::string_view::npos) break;
  }
  return lines;
}

}  // namespace

// Joining them again would take the lines of front in twice.
std::string JoinOnce(const std::string& front, const std::string& back) {
  const std::vector<std::string_view> f = LinesOf(front);
  const std::vector<std::string_view> b = LinesOf(back);
  if (!f.empty() && b.size() >= f.size() && std::equal(f.begin(), f.end(), b.begin())) return back;
  return JoinLines(front, back);
}

namespace {

// Held-back lines first, then whatever CopyForMonitor.dat holds.
void TakeInHeldBackLines(const ServiceLink& link) {
  const std::string nextTime = link.DataFile(kProcessNextTimeFile);
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  if (!FileExists(nextTime)) return;
  std::string s = TrimmedContent(nextTime);
  if (FileExists(copy)) s = JoinOnce(s, TrimmedContent(copy));
  WriteTextFileWithBom(copy, s);
  DeleteFileIfExists(nextTime);
}

// The lines of a pass that did not finish go in front of CopyForMonitor.dat.
void TakeInRemainder(const ServiceLink& link) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  const std::string copy2 = link.DataFile(kCopyForMonitor2File);
  if (!FileExists(copy2)) return;
  std::string s = TrimmedContent(copy2);
  if (FileExists(copy)) s = JoinOnce(s, TrimmedContent(copy));
  WriteTextFileWithBom(copy, s);
  DeleteFileIfExists(copy2);
}

// The number of leading lines of `lines` that the journal already ends with.
std::size_t JournalledLeadingLines(const std::vector<std::string_view>& journal,
                                   const std::vector<std::string_view>& lines) {
  for (std::size_t k = std::min(journal.size(), lines.size()); k > 0; --k) {
    if (std::equal(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(k),
                   journal.end() - static_cast<std::ptrdiff_t>(k))) {
      return k;
    }
  }
  return 0;
}

// A CopyForMonitor.dat found before the command is the text of a pass that
// was cut off (journalled when it was fetched), or a file of the service
// that no hand-over took in because the program stopped during the wait.
// The lines of the second kind would go on through CopyForMonitor2.dat
// without ever reaching the journal, so the table recovery would lose them:
// whatever the journal does not end with is added to it now.
void JournalLeftOverLines(const ServiceLink& link) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  const std::string text = TrimmedContent(copy);
  const std::vector<std::string_view> lines = LinesOf(text);
  if (lines.empty()) return;
  const std::string journal = link.BackupFile(kJournalFile);
  const std::string b = FileExists(journal) ? TrimmedContent(journal) : std::string();
  const std::size_t journalled = JournalledLeadingLines(LinesOf(b), lines);
  if (journalled == lines.size()) return;
  std::string rest;
  for (std::size_t i = journalled; i < lines.size(); ++i) rest = JoinLines(rest, lines[i]);
  ForceDirectories(link.dataFolder + "Backup");
  WriteTextFileWithBom(journal, JoinLines(b, rest));
}

// Moves CopyForMonitor.dat aside so that the service can write a new one.
// When the rename fails the content is copied instead; CopyForMonitor.dat is
// deleted only once its lines are safe in CopyForMonitor2.dat.
void MakeRoomForService(const ServiceLink& link) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  const std::string copy2 = link.DataFile(kCopyForMonitor2File);
  if (!FileExists(copy)) return;
  JournalLeftOverLines(link);
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
