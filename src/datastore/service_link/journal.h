// The journal Backup/LogInformation.dat: every activity-log line handed over
// since the last backups of an orderly close, so that a recovery from the
// backups can have the service hand them over again (docs/journal-format.md).
//
// The journal grows by appends: each hand-over's new lines are written at
// its end as one append closed by a seal line that names where the append
// begins and the CRC-32 of its lines, and flushed to disk. A crash during an
// append leaves a torn tail without a sound seal; every reader ignores it
// and the next start (or the next append) cuts it off, so a torn line is
// never taken for a journalled one. The journal is read from its end, seal
// by seal, never whole unless a reader asks for all of its lines, so a
// journal of any size costs memory for one piece at a time.
//
// A journal without the header (the plain text of lines that earlier
// versions wrote whole) is read as one sound append of its trimmed lines and
// rewritten in sealed form at its next append.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace brenvik {

// After the byte-order mark: the first line of a sealed journal.
inline constexpr std::string_view kJournalHeader = "#brenvik-journal 1\r\n";
// The start of a seal line: "#BRVJ <first byte of the append> <crc>\r\n".
inline constexpr std::string_view kJournalSealMark = "#BRVJ ";

using JournalSink = std::function<void(std::string_view)>;
// Puts the text of lines to append, a piece at a time, into the sink.
using JournalSource = std::function<void(const JournalSink&)>;

// The lines of one sound append: the bytes [begin, end) of the file, each
// line ended by a line break.
struct JournalAppend {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
};

// Where the journal's sound part ends and the appends in it, oldest first;
// appends whose seal is sound but whose lines fail their checksum are left
// out. Walks back from the end while the appends hold at most
// stopAfterBytes (all of them by default). FileError when it cannot be read.
struct JournalLayout {
  bool sealed = false;         // false: the plain form of earlier versions
  std::uint64_t soundEnd = 0;  // bytes from here on are a torn tail
  std::vector<JournalAppend> appends;
  // The oldest append is only the last stopAfterBytes of one (its first
  // line may be cut).
  bool cutShort = false;
};
JournalLayout ReadJournalLayout(const std::string& path, std::uint64_t stopAfterBytes = UINT64_MAX);

// Appends the lines source puts (lines separated by line breaks, no break
// needed after the last; source is called once and should put some) as one
// sealed append and flushes it to disk. The journal is created when missing
// (atomically, header and append at once), a torn tail is cut first, and a
// journal of the plain form is rewritten in sealed form. FileError on
// failure; what was written of the append is then a torn tail. Every write
// goes through files.
void AppendToJournal(FileSystem& files, const std::string& path, const JournalSource& source);
void AppendToJournal(FileSystem& files, const std::string& path,
                     std::string_view lines);  // nothing when empty

// Replaces the journal atomically with one holding lines as its only append
// (none when lines is empty).
void WriteJournal(FileSystem& files, const std::string& path, std::string_view lines);

// Cuts a torn tail off the journal; true when there was one. FileError when
// the file cannot be read or cut (a journal on a read-only disk).
bool CutTornJournalTail(FileSystem& files, const std::string& path);

// Calls sink with the lines of every sound append, oldest first, each line
// ended by CR LF, a piece at a time.
void ForEachJournalPiece(const std::string& path, const JournalSink& sink);

// All journalled lines as one text, trimmed (what a hand-over file of them
// would hold). Loads them whole: for tests and checks of small journals.
std::string JournalText(const std::string& path);

// The journalled lines of the last appends that together hold at most
// window bytes (whole appends only), as one text.
std::string JournalTail(const std::string& path, std::uint64_t window);

}  // namespace brenvik
