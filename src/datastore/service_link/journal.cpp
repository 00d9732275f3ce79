#include "datastore/service_link/journal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>

#include "base/crc32.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"

namespace brenvik {
namespace {

// "#BRVJ " + at most 20 digits + " " + 8 hex digits + CR LF.
constexpr std::uint64_t kSealMaxBytes = 6 + 20 + 1 + 8 + 2;
// How far from each end a journal of the plain form is looked at for blanks.
constexpr std::uint64_t kPlainTrimBytes = 4096;

std::uint64_t HeaderEnd() { return kUtf8Bom.size() + kJournalHeader.size(); }

std::string Header() { return std::string(kUtf8Bom) + std::string(kJournalHeader); }

std::string SealLine(std::uint64_t begin, std::uint32_t crc) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", crc);
  return std::string(kJournalSealMark) + std::to_string(begin) + " " + hex + "\r\n";
}

struct Seal {
  std::uint64_t begin = 0;
  std::uint32_t crc = 0;
};

// A seal line exactly as SealLine writes it.
std::optional<Seal> ParseSeal(std::string_view line) {
  if (!line.starts_with(kJournalSealMark) || !line.ends_with("\r\n")) return std::nullopt;
  line = line.substr(kJournalSealMark.size(), line.size() - kJournalSealMark.size() - 2);
  const std::size_t space = line.find(' ');
  if (space == std::string_view::npos || line.size() - space - 1 != 8) return std::nullopt;
  Seal seal;
  const char* end = line.data() + space;
  if (std::from_chars(line.data(), end, seal.begin).ptr != end || space == 0) return std::nullopt;
  const std::string_view hex = line.substr(space + 1);
  if (hex.find_first_not_of("0123456789abcdef") != std::string_view::npos) return std::nullopt;
  std::from_chars(hex.data(), hex.data() + hex.size(), seal.crc, 16);
  return seal;
}

std::uint32_t CrcOfRange(const std::string& path, std::uint64_t begin, std::uint64_t end) {
  std::uint32_t crc = 0;
  ReadFileRange(path, begin, end, [&crc](std::string_view piece) { crc = Crc32(piece, crc); });
  return crc;
}

bool IsSealedJournal(const std::string& path, std::uint64_t size) {
  return size >= HeaderEnd() && ReadFileRangeBytes(path, 0, HeaderEnd()) == Header();
}

// The seal line [at, end) and the lines it closes: the seal parses, its
// append begins after the header and before it, and the line before the
// seal is ended.
std::optional<JournalAppend> SealedAppend(const std::string& path, std::uint64_t at,
                                          std::uint64_t end) {
  const std::optional<Seal> seal = ParseSeal(ReadFileRangeBytes(path, at, end));
  if (!seal || seal->begin < HeaderEnd() || seal->begin >= at) return std::nullopt;
  if (ReadFileRangeBytes(path, at - 1, at) != "\n") return std::nullopt;
  return JournalAppend{seal->begin, at};
}

bool LinesMatchSeal(const std::string& path, const JournalAppend& append, std::uint64_t sealEnd) {
  const std::optional<Seal> seal = ParseSeal(ReadFileRangeBytes(path, append.end, sealEnd));
  return seal && CrcOfRange(path, append.begin, append.end) == seal->crc;
}

// Where the seal line that ends at end begins; nothing when the bytes
// before end are no seal line.
std::optional<std::uint64_t> SealLineEndingAt(const std::string& path, std::uint64_t end) {
  const std::uint64_t from = std::max(HeaderEnd(), end > kSealMaxBytes ? end - kSealMaxBytes : 0);
  if (end < from + kJournalSealMark.size() + 2) return std::nullopt;
  const std::string tail = ReadFileRangeBytes(path, from, end);
  const std::size_t mark = tail.rfind(kJournalSealMark);
  if (mark == std::string::npos) return std::nullopt;
  return from + mark;
}

// The end of the last seal line that closes sound lines, searching back from
// the end of the file a piece at a time; the header's end when none does.
std::uint64_t LastSoundEnd(const std::string& path, std::uint64_t size) {
  if (const auto at = SealLineEndingAt(path, size)) {
    const auto append = SealedAppend(path, *at, size);
    if (append && LinesMatchSeal(path, *append, size)) return size;
  }
  const std::string marker = "\n" + std::string(kJournalSealMark);
  std::uint64_t hi = size;
  while (hi > HeaderEnd()) {
    const std::uint64_t lo = hi - std::min<std::uint64_t>(hi - HeaderEnd(), kFileChunkBytes);
    const std::uint64_t readEnd = std::min(size, hi + kSealMaxBytes);
    const std::string piece = ReadFileRangeBytes(path, lo, readEnd);
    for (std::size_t at = piece.rfind(marker); at != std::string::npos;
         at = at == 0 ? std::string::npos : piece.rfind(marker, at - 1)) {
      if (lo + at >= hi) continue;  // looked at with the piece after this one
      const std::size_t lineEnd = piece.find("\r\n", at + 1);
      if (lineEnd == std::string::npos) continue;
      const std::uint64_t sealAt = lo + at + 1;
      const std::uint64_t sealEnd = lo + lineEnd + 2;
      const auto append = SealedAppend(path, sealAt, sealEnd);
      if (append && LinesMatchSeal(path, *append, sealEnd)) return sealEnd;
    }
    hi = lo;
  }
  return HeaderEnd();
}

// The lines of a journal of the plain form: after the byte-order mark and
// leading blanks, before trailing blanks.
JournalAppend PlainLines(const std::string& path, std::uint64_t size) {
  const std::string head = ReadFileRangeBytes(path, 0, std::min(size, kPlainTrimBytes));
  std::size_t begin = head.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
  while (begin < head.size() && static_cast<unsigned char>(head[begin]) <= 32) ++begin;
  std::uint64_t end = size;
  const std::uint64_t tailFrom = size - std::min(size, kPlainTrimBytes);
  const std::string tail = ReadFileRangeBytes(path, tailFrom, size);
  std::size_t n = tail.size();
  while (n > 0 && static_cast<unsigned char>(tail[n - 1]) <= 32) --n;
  end = tailFrom + n;
  return JournalAppend{std::min<std::uint64_t>(begin, end), end};
}

// Writes the append of the lines source puts, and its seal, to out; begin
// is where its first line lands in the file.
template <typename Out>
void WriteAppend(Out& out, std::uint64_t begin, const JournalSource& source) {
  std::uint32_t crc = 0;
  std::uint64_t bytes = 0;
  bool endsWithBreak = false;
  source([&](std::string_view piece) {
    if (piece.empty()) return;
    out(piece);
    crc = Crc32(piece, crc);
    bytes += piece.size();
    endsWithBreak = piece.back() == '\n';
  });
  if (bytes == 0) return;
  if (!endsWithBreak) {
    out("\r\n");
    crc = Crc32("\r\n", crc);
  }
  out(SealLine(begin, crc));
}

// A new journal, or one of the plain form rewritten, with the lines of
// source appended: written whole through a temporary file.
void WriteWhole(FileSystem& files, const std::string& path,
                const std::optional<JournalAppend>& plain, const JournalSource& source) {
  AtomicFileWriter out(files, path);
  std::uint64_t at = HeaderEnd();
  const auto put = [&](std::string_view bytes) {
    out.Write(bytes);
    at += bytes.size();
  };
  out.Write(Header());
  if (plain && plain->end > plain->begin) {
    WriteAppend(put, at, [&](const JournalSink& sink) {
      ReadFileRange(path, plain->begin, plain->end, sink);
    });
  }
  WriteAppend(put, at, source);
  out.Commit();
}

// Appends to a sealed journal whose sound part ends at its size, a megabyte
// at a time; each write is flushed, the seal last.
void AppendSealed(FileSystem& files, const std::string& path, std::uint64_t size,
                  const JournalSource& source) {
  std::string buffer;
  const auto put = [&](std::string_view bytes) {
    buffer += bytes;
    if (buffer.size() >= kFileChunkBytes) {
      AppendFileDurable(files, path, buffer);
      buffer.clear();
    }
  };
  WriteAppend(put, size, source);
  if (!buffer.empty()) AppendFileDurable(files, path, buffer);
}

}  // namespace

JournalLayout ReadJournalLayout(const std::string& path, std::uint64_t stopAfterBytes) {
  JournalLayout layout;
  const std::uint64_t size = FileSize(path);
  if (!IsSealedJournal(path, size)) {
    layout.soundEnd = size;
    // Written whole by earlier versions, so never torn.
    JournalAppend plain = PlainLines(path, size);
    if (plain.end - plain.begin > stopAfterBytes) {
      plain.begin = plain.end - stopAfterBytes;
      layout.cutShort = true;
    }
    if (plain.end > plain.begin) layout.appends.push_back(plain);
    return layout;
  }
  layout.sealed = true;
  layout.soundEnd = LastSoundEnd(path, size);
  std::uint64_t end = layout.soundEnd;
  std::uint64_t held = 0;
  while (end > HeaderEnd()) {
    const std::optional<std::uint64_t> at = SealLineEndingAt(path, end);
    const std::optional<JournalAppend> append = at ? SealedAppend(path, *at, end) : std::nullopt;
    if (!append) break;  // damage: what lies before it cannot be told apart
    const std::uint64_t bytes = append->end - append->begin;
    if (held + bytes > stopAfterBytes) {
      // The last lines of one append larger than all the bytes asked for,
      // not checked against its seal (that would read all of it).
      if (held == 0) {
        layout.appends.push_back({append->end - stopAfterBytes, append->end});
        layout.cutShort = true;
      }
      break;
    }
    if (LinesMatchSeal(path, *append, end)) {
      layout.appends.push_back(*append);
      held += bytes;
    }
    end = append->begin;
  }
  std::reverse(layout.appends.begin(), layout.appends.end());
  return layout;
}

void AppendToJournal(FileSystem& files, const std::string& path, const JournalSource& source) {
  if (!FileExists(path)) {
    WriteWhole(files, path, std::nullopt, source);
    return;
  }
  const std::uint64_t size = FileSize(path);
  if (!IsSealedJournal(path, size)) {
    WriteWhole(files, path, PlainLines(path, size), source);
    return;
  }
  const std::uint64_t soundEnd = LastSoundEnd(path, size);
  if (soundEnd != size) TruncateFile(files, path, soundEnd);
  AppendSealed(files, path, soundEnd, source);
}

void AppendToJournal(FileSystem& files, const std::string& path, std::string_view lines) {
  if (lines.empty()) return;
  AppendToJournal(files, path, [lines](const JournalSink& sink) { sink(lines); });
}

void WriteJournal(FileSystem& files, const std::string& path, std::string_view lines) {
  WriteWhole(files, path, std::nullopt, [lines](const JournalSink& sink) { sink(lines); });
}

bool CutTornJournalTail(FileSystem& files, const std::string& path) {
  if (!FileExists(path)) return false;
  const std::uint64_t size = FileSize(path);
  if (!IsSealedJournal(path, size)) return false;
  const std::uint64_t soundEnd = LastSoundEnd(path, size);
  if (soundEnd == size) return false;
  TruncateFile(files, path, soundEnd);
  return true;
}

void ForEachJournalPiece(const std::string& path, const JournalSink& sink) {
  const JournalLayout layout = ReadJournalLayout(path);
  for (const JournalAppend& append : layout.appends) {
    ReadFileRange(path, append.begin, append.end, sink);
    if (!layout.sealed) sink("\r\n");
  }
}

namespace {

std::string Trimmed(std::string text) {
  const std::size_t end = text.find_last_not_of("\r\n");
  text.resize(end == std::string::npos ? 0 : end + 1);
  return text;
}

}  // namespace

std::string JournalText(const std::string& path) {
  std::string text;
  ForEachJournalPiece(path, [&text](std::string_view piece) { text += piece; });
  return Trimmed(std::move(text));
}

std::string JournalTail(const std::string& path, std::uint64_t window) {
  const JournalLayout layout = ReadJournalLayout(path, window);
  std::string text;
  for (const JournalAppend& append : layout.appends) {
    text += ReadFileRangeBytes(path, append.begin, append.end);
    if (!layout.sealed) text += "\r\n";
  }
  if (layout.cutShort) {
    // Without the part of a line the cut began in.
    const std::size_t firstBreak = text.find('\n');
    text.erase(0, firstBreak == std::string::npos ? text.size() : firstBreak + 1);
  }
  return text;
}

}  // namespace brenvik
