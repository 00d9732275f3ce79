#include "datastore/service_link/hand_over.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_link/journal.h"
#include "datastore/service_link/service_channel.h"

namespace brenvik {

std::string ServiceLink::BackupFile(const std::string& name) const {
  return dataFolder + "Backup" + PathSeparator() + name;
}

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// Zero bytes are blanks too; a file padded with a run of them (a hole of a
// sparse file) is skipped a block at a time rather than byte by byte.
constexpr std::size_t kZeroBlock = 4096;

bool ZeroBlockAt(std::string_view piece, std::size_t at) {
  static const char zeros[kZeroBlock] = {};
  return at + kZeroBlock <= piece.size() && std::memcmp(piece.data() + at, zeros, kZeroBlock) == 0;
}

// The first byte at or after from that is neither blank nor part of a
// byte-order mark, reading forward piece by piece; size when there is none.
std::uint64_t FirstTextByte(const std::string& path, std::uint64_t from, std::uint64_t size) {
  std::uint64_t at = from;
  while (at < size) {
    const std::uint64_t pieceEnd = std::min<std::uint64_t>(size, at + kFileChunkBytes);
    const std::string piece = ReadFileRangeBytes(path, at, pieceEnd);
    std::size_t i = 0;
    while (i < piece.size()) {
      if (piece[i] == '\0' && ZeroBlockAt(piece, i)) {
        i += kZeroBlock;
      } else if (IsBlank(piece[i])) {
        ++i;
      } else if (std::string_view(piece).substr(i).starts_with(kUtf8Bom)) {
        i += kUtf8Bom.size();
      } else if (piece[i] == kUtf8Bom[0] && piece.size() - i < kUtf8Bom.size() && pieceEnd < size) {
        break;  // a mark may be cut by the end of the piece: read on from it
      } else {
        return at + i;
      }
    }
    at += i;
    if (i == 0) return at;  // cannot happen unless the piece is one cut mark
  }
  return size;
}

// One past the last byte before end that is not blank, reading backward.
std::uint64_t LastTextEnd(const std::string& path, std::uint64_t begin, std::uint64_t end) {
  while (end > begin) {
    const std::uint64_t pieceBegin = end - std::min<std::uint64_t>(end - begin, kFileChunkBytes);
    const std::string piece = ReadFileRangeBytes(path, pieceBegin, end);
    std::size_t n = piece.size();
    while (n >= kZeroBlock && ZeroBlockAt(piece, n - kZeroBlock)) n -= kZeroBlock;
    while (n > 0 && IsBlank(piece[n - 1])) --n;
    if (n > 0) return pieceBegin + n;
    end = pieceBegin;
  }
  return begin;
}

// The lines of a file between two positions, as the hand-over takes them in.
FileSpan TrimmedSpan(const std::string& path, std::uint64_t from, std::uint64_t size) {
  const std::uint64_t begin = FirstTextByte(path, from, size);
  return FileSpan{begin, LastTextEnd(path, begin, size)};
}

// A piece of a hand-over text: a span of one file.
struct Part {
  std::string path;
  FileSpan span;
};

Part PartOf(const std::string& path) { return Part{path, HandOverFileSpan(path)}; }

// Hands put the join of the parts (the non-empty ones, separated by CR LF)
// a piece at a time.
template <typename Put>
void ForEachJoinedPiece(const std::vector<Part>& parts, const Put& put) {
  bool first = true;
  for (const Part& part : parts) {
    if (part.span.Size() == 0) continue;
    if (!first) put("\r\n");
    first = false;
    ReadFileRange(part.path, part.span.begin, part.span.end, put);
  }
}

// Writes the byte-order mark and the join of the parts (the non-empty ones,
// separated by CR LF), replacing path atomically; a part may be path itself.
// digest, when given, receives the text after the mark.
void WriteJoined(FileSystem& files, const std::string& path, const std::vector<Part>& parts,
                 HandOverDigest* digest = nullptr) {
  AtomicFileWriter out(files, path);
  out.Write(kUtf8Bom);
  ForEachJoinedPiece(parts, [&](std::string_view bytes) {
    out.Write(bytes);
    if (digest) digest->Add(bytes);
  });
  out.Commit();
}

// A file that is exactly the byte-order mark and its trimmed text is what
// WriteJoined would write for it alone.
bool IsWrittenForm(const std::string& path, const FileSpan& span) {
  return span.begin == kUtf8Bom.size() && span.end == FileSize(path) &&
         ReadFileRangeBytes(path, 0, kUtf8Bom.size()) == kUtf8Bom;
}

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

// Whether back's text begins with the whole text of front and ends there or
// goes on with a line break: what WriteJoined writes with front in front.
// Compared a piece at a time.
bool BeginsWith(const Part& back, const Part& front) {
  const std::uint64_t n = front.span.Size();
  if (n == 0 || back.span.Size() < n) return false;
  if (back.span.Size() > n) {
    const std::string next =
        ReadFileRangeBytes(back.path, back.span.begin + n, back.span.begin + n + 1);
    if (next != "\r" && next != "\n") return false;
  }
  for (std::uint64_t at = 0; at < n; at += kFileChunkBytes) {
    const std::uint64_t end = std::min<std::uint64_t>(n, at + kFileChunkBytes);
    if (ReadFileRangeBytes(front.path, front.span.begin + at, front.span.begin + end) !=
        ReadFileRangeBytes(back.path, back.span.begin + at, back.span.begin + end)) {
      return false;
    }
  }
  return true;
}

// The parts of the join of front and back, without front when back already
// begins with its lines: a stop between writing a joined CopyForMonitor.dat
// and deleting the file whose lines went in front of it leaves both, and
// joining them again would take the lines of front in twice.
std::vector<Part> JoinedOnce(const Part& front, const Part& back) {
  if (BeginsWith(back, front)) return {back};
  return {front, back};
}

// Puts the lines of the file front in front of those of CopyForMonitor.dat
// (once), then deletes front.
void JoinInFront(FileSystem& files, const std::string& front, const std::string& copy) {
  std::vector<Part> parts{PartOf(front)};
  if (FileExists(copy)) parts = JoinedOnce(parts.front(), PartOf(copy));
  if (parts.size() > 1 || parts.front().path != copy) WriteJoined(files, copy, parts);
  files.RemoveFile(front);
}

// Held-back lines first, then whatever CopyForMonitor.dat holds.
void TakeInHeldBackLines(const ServiceLink& link) {
  const std::string nextTime = link.DataFile(kProcessNextTimeFile);
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  if (!FileExists(nextTime)) return;
  JoinInFront(link.files, nextTime, copy);
}

// The lines of a pass that did not finish go in front of CopyForMonitor.dat.
void TakeInRemainder(const ServiceLink& link) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  const std::string copy2 = link.DataFile(kCopyForMonitor2File);
  if (!FileExists(copy2)) return;
  JoinInFront(link.files, copy2, copy);
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

// How far into the left-over file and back from the end of the journal the
// comparison of their lines looks: at most 64 MiB of each, so that a file of
// any size costs bounded memory. Lines the journal ends with further back
// than that are not recognised and are journalled a second time.
constexpr std::uint64_t kJournalWindowBytes = 64u << 20;

bool IsLineBreak(const std::string& byte) { return byte == "\r" || byte == "\n"; }

// The first window bytes of span, cut after its last line break when the
// window ends inside a line.
std::string LeadingWindow(const Part& part, std::uint64_t window) {
  std::string text = ReadFileRangeBytes(part.path, part.span.begin, part.span.begin + window);
  if (window < part.span.Size() &&
      !IsLineBreak(
          ReadFileRangeBytes(part.path, part.span.begin + window, part.span.begin + window + 1))) {
    const std::size_t lastBreak = text.find_last_of("\r\n");
    text.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
  }
  return text;
}

// Where the lines of copy start that the journal does not end with (as an
// offset into copy's span); nothing when the journal ends with all of them.
std::optional<std::uint64_t> UnjournalledFrom(const Part& copy, const std::string& journal) {
  const std::string tail =
      FileExists(journal) ? JournalTail(journal, kJournalWindowBytes) : std::string();
  const std::uint64_t window = std::min<std::uint64_t>(copy.span.Size(), kJournalWindowBytes);
  const std::string head = LeadingWindow(copy, window);
  const std::vector<std::string_view> lines = LinesOf(head);
  const std::size_t k = JournalledLeadingLines(LinesOf(tail), lines);
  if (k == 0) return 0;
  const std::uint64_t after =
      static_cast<std::uint64_t>(lines[k - 1].data() + lines[k - 1].size() - head.data());
  if (k == lines.size() && head.size() == copy.span.Size()) return std::nullopt;
  return after;
}

// Appends the lines of part to the journal as one append.
void Journal(const ServiceLink& link, const Part& part) {
  if (part.span.Size() == 0) return;
  link.files.CreateFolders(link.dataFolder + "Backup");
  AppendToJournal(link.files, link.BackupFile(kJournalFile), [&part](const JournalSink& sink) {
    ReadFileRange(part.path, part.span.begin, part.span.end, sink);
  });
}

// A CopyForMonitor.dat found before the command is the text of a pass that
// was cut off (journalled when it was fetched), or a file of the service
// that no hand-over took in because the program stopped during the wait.
// The lines of the second kind would go on through CopyForMonitor2.dat
// without ever reaching the journal, so the table recovery would lose them:
// whatever the journal does not end with is added to it now.
void JournalLeftOverLines(const ServiceLink& link) {
  const Part copy = PartOf(link.DataFile(kCopyForMonitorFile));
  if (copy.span.Size() == 0) return;
  const std::optional<std::uint64_t> from = UnjournalledFrom(copy, link.BackupFile(kJournalFile));
  if (!from) return;
  Journal(link, Part{copy.path, TrimmedSpan(copy.path, copy.span.begin + *from, copy.span.end)});
}

// Moves CopyForMonitor.dat aside so that the service can write a new one.
// When the rename fails the content is copied instead; CopyForMonitor.dat is
// deleted only once its lines are safe in CopyForMonitor2.dat.
void MakeRoomForService(const ServiceLink& link) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  const std::string copy2 = link.DataFile(kCopyForMonitor2File);
  if (!FileExists(copy)) return;
  JournalLeftOverLines(link);
  if (!link.files.RenameFile(copy, copy2)) WriteJoined(link.files, copy2, {PartOf(copy)});
  link.files.RemoveFile(copy);
}

void WaitForHandOverFile(const ServiceLink& link) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  for (int sleeps = 1; sleeps <= 10; ++sleeps) {
    link.clock.Sleep(100);
    if (sleeps < 10 && FileExists(copy)) return;
  }
}

// The first lines of the text of CopyForMonitor.dat (written in its written
// form): all of it within the limit, else up to the last line break within
// the limit, or the limit itself when a line is longer than that.
std::string FirstLines(const std::string& copy, std::uint64_t length, std::uint64_t limit) {
  const std::uint64_t begin = kUtf8Bom.size();
  if (length <= limit) return ReadFileRangeBytes(copy, begin, begin + length);
  std::string text = ReadFileRangeBytes(copy, begin, begin + std::max<std::uint64_t>(limit, 1));
  const std::size_t lastBreak = text.find_last_of("\r\n");
  if (lastBreak != std::string::npos) text.resize(lastBreak + 1);
  return text;
}

// The span of the lines from mark.unprocessedFrom on, when the hand-over file
// at path holds the text that mark describes (and, with mayHaveGrown, maybe
// more after it); nothing when it holds other text or is missing.
std::optional<FileSpan> UnsettledSpan(const std::string& path, const HandOverMark& mark,
                                      bool mayHaveGrown) {
  if (!FileExists(path)) return std::nullopt;
  const FileSpan span = HandOverFileSpan(path);
  if (span.Size() < mark.length || (span.Size() > mark.length && !mayHaveGrown)) {
    return std::nullopt;
  }
  HandOverDigest digest;
  ReadFileRange(path, span.begin, span.begin + mark.length,
                [&digest](std::string_view piece) { digest.Add(piece); });
  if (!digest.Matches(mark)) return std::nullopt;
  const std::uint64_t from =
      std::min(std::max<std::uint64_t>(mark.unprocessedFrom, 1) - 1, span.Size());
  return TrimmedSpan(path, span.begin + from, span.end);
}

}  // namespace

FileSpan HandOverFileSpan(const std::string& path) { return TrimmedSpan(path, 0, FileSize(path)); }

std::string HandOverFileText(const std::string& path) {
  const FileSpan span = HandOverFileSpan(path);
  return ReadFileRangeBytes(path, span.begin, span.end);
}

FetchedLines FetchLogLines(const ServiceLink& link, int& failureCount) {
  const std::string copy = link.DataFile(kCopyForMonitorFile);
  const std::string copy2 = link.DataFile(kCopyForMonitor2File);
  // A data folder removed behind the program's back is made again, so that
  // the service has a place to write to and the pass a place for its tables.
  link.files.CreateFolders(link.dataFolder + "Backup");
  TakeInHeldBackLines(link);
  TakeInRemainder(link);
  MakeRoomForService(link);

  if (!SendServiceCommand(link.pipe, link.dataFolder, kCommandHandOverLines, "")) {
    --failureCount;
    return FetchedLines{};
  }
  WaitForHandOverFile(link);

  if (!FileExists(copy2) && !FileExists(copy)) return FetchedLines{};
  Part fresh{copy, {}};
  if (FileExists(copy)) fresh = PartOf(copy);
  if (!FileExists(copy2) && fresh.span.Size() == 0) {
    // Nothing new and nothing left over: the service's empty file goes, and
    // nothing is written.
    link.files.RemoveFile(copy);
    return FetchedLines{};
  }
  Journal(link, fresh);
  FetchedLines fetched;
  if (FileExists(copy2)) {
    WriteJoined(link.files, copy, {PartOf(copy2), fresh}, &fetched.whole);
    link.files.RemoveFile(copy2);
  } else if (IsWrittenForm(copy, fresh.span)) {
    ReadFileRange(copy, fresh.span.begin, fresh.span.end,
                  [&fetched](std::string_view piece) { fetched.whole.Add(piece); });
  } else {
    WriteJoined(link.files, copy, {fresh}, &fetched.whole);
  }
  fetched.text = FirstLines(copy, fetched.whole.length, link.passLimit);
  return fetched;
}

bool SettleHandOverFile(const ServiceLink& link, const HandOverMark& mark, bool mayHaveGrown) {
  const std::string path = link.DataFile(kCopyForMonitorFile);
  const std::optional<FileSpan> rest = UnsettledSpan(path, mark, mayHaveGrown);
  if (!rest) return false;
  if (rest->Size() == 0) {
    link.files.RemoveFile(path);
  } else if (rest->begin != HandOverFileSpan(path).begin) {
    WriteJoined(link.files, path, {Part{path, *rest}});
  }
  return true;
}

std::string PendingHandOverLines(const std::string& dataFolder,
                                 const std::optional<HandOverMark>& mark) {
  const std::string copy = dataFolder + kCopyForMonitorFile;
  const std::string copy2 = dataFolder + kCopyForMonitor2File;
  std::vector<Part> parts;
  if (FileExists(copy2)) parts.push_back(PartOf(copy2));
  if (FileExists(copy)) {
    const std::optional<FileSpan> rest = mark ? UnsettledSpan(copy, *mark, false) : std::nullopt;
    const Part back{copy, rest ? *rest : HandOverFileSpan(copy)};
    parts = parts.empty() ? std::vector<Part>{back} : JoinedOnce(parts.front(), back);
  }
  std::string text;
  ForEachJoinedPiece(parts, [&text](std::string_view bytes) { text += bytes; });
  return text;
}

}  // namespace brenvik
