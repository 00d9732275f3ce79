// The change log of a data folder's tables (docs/table-format.md): one file
// of records appended after the table files were written whole. Each record
// is one commit, with the changes of every table it names and, for the end
// of a processing pass, a mark of the hand-over text the pass consumed. A
// table's rows are its file's rows followed by the changes of every commit
// after the one the file was written at.
//
// A record is checked whole by its CRC-32, so a commit is there entirely or
// not at all: a record torn by a crash at the end of the file is ignored and
// cut off before the next append. A record that fails its check while a sound
// record follows it is damage, not a crash; every table then "cannot be
// opened" and start-up takes the recovery path.
//
// Appends are flushed to disk before Commit returns; a new file and a
// restarted one are written whole through WriteFileAtomic.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datastore/tables/table_store.h"
#include "platform/file_system.h"

namespace brenvik {

inline constexpr std::string_view kChangeLogMagic{"BRVKLOG\x1A", 8};
inline constexpr std::uint32_t kChangeLogVersion = 1;
inline constexpr std::string_view kChangeRecordMarker{"BRVC", 4};

// What a commit says about the hand-over text its pass consumed: enough to
// recognise the text again (length, CRC-32 and a 64-bit FNV-1a hash) and the
// 1-based position of its first line that no table holds (length + 1 when
// the pass took in all of it).
struct HandOverMark {
  std::uint64_t length = 0;
  std::uint32_t crc = 0;
  std::uint64_t hash = 0;
  std::uint64_t unprocessedFrom = 1;

  static HandOverMark Of(std::string_view text, std::uint64_t unprocessedFrom);
  bool Describes(std::string_view text) const;
  // The lines of text from unprocessedFrom on, trimmed, when the mark
  // describes text; text itself otherwise.
  std::string Unprocessed(std::string_view text) const;
  bool operator==(const HandOverMark&) const = default;
};

// The length, CRC-32 and hash of a text taken in piece by piece, for a
// hand-over text too large to hold at once.
struct HandOverDigest {
  std::uint64_t length = 0;
  std::uint32_t crc = 0;
  std::uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a offset basis

  void Add(std::string_view bytes);
  HandOverMark Mark(std::uint64_t unprocessedFrom) const;
  bool Matches(const HandOverMark& mark) const {
    return length == mark.length && crc == mark.crc && hash == mark.hash;
  }
};

class ChangeLog {
 public:
  ChangeLog() = default;
  // The log at path, written through files (which must outlive the log).
  ChangeLog(FileSystem& files, std::string path) : files_(&files), path_(std::move(path)) {}

  // Forgets what was loaded.
  void SetPath(FileSystem& files, std::string path);
  const std::string& Path() const { return path_; }

  // Reads the file; a file that does not exist is an empty log. FileError
  // when it cannot be read. Damage does not raise here: it is kept and
  // raised by ApplyTo.
  void Load();
  bool Damaged() const { return !damage_.empty(); }

  // The number of the last commit (0 before the first).
  std::uint64_t Seq() const { return seq_; }
  const std::optional<HandOverMark>& LastHandOver() const { return lastHandOver_; }
  // Bytes of the file up to the end of its last sound record.
  std::uint64_t Size() const { return validEnd_; }

  // Applies to store the changes of its table in the commits after
  // afterSeq, in order. TableError when the log is damaged or the changes do
  // not fit the rows; the store is then in an unknown state.
  void ApplyTo(TableStore& store, std::uint64_t afterSeq);
  // Frees the bytes kept for ApplyTo (they are read again when needed).
  void ForgetLoadedBytes();

  // Appends one commit of the changes of every store that has any (each
  // since its last save) and of handOver, then marks those stores saved and
  // returns the commit's number. Nothing is written when there is neither.
  // FileError when the record cannot be written and flushed; the stores then
  // keep their changes and a partly written record is cut off next time.
  std::uint64_t Commit(const std::vector<TableStore*>& stores,
                       const std::optional<HandOverMark>& handOver);

  // Replaces the file with one that holds a checkpoint of Seq() and the last
  // hand-over mark, once every table file has been written at Seq().
  void Restart();

 private:
  struct Record {
    std::uint64_t seq;
    std::size_t tablesAt;  // offset in bytes_ of the table list
    std::size_t end;       // offset of the end of the payload
  };
  FileSystem& Files() const;  // TableError before a path is set
  void EnsureLoaded();
  void Reset();
  void ParseRecords();
  std::string EncodeRecord(std::uint64_t seq, bool checkpoint,
                           const std::optional<HandOverMark>& mark,
                           const std::vector<TableStore*>& stores) const;

  FileSystem* files_ = nullptr;  // set with the path
  std::string path_;
  bool loaded_ = false;
  std::string bytes_;
  bool bytesKept_ = false;
  std::vector<Record> records_;
  std::string damage_;
  std::uint64_t seq_ = 0;
  bool checkpoint_ = false;
  std::optional<HandOverMark> lastHandOver_;
  std::uint64_t validEnd_ = 0;
};

}  // namespace brenvik
