#include "datastore/tables/change_log.h"

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "base/utf8.h"
#include "datastore/tables/byte_codec.h"
#include "datastore/tables/table_changes.h"
#include "datastore/tables/table_file.h"

namespace brenvik {
namespace {

constexpr std::size_t kHeaderSize = 12;        // magic and version
constexpr std::size_t kRecordHeaderSize = 12;  // marker, length, CRC-32
constexpr std::uint8_t kCommit = 1;
constexpr std::uint8_t kCheckpoint = 2;

std::uint64_t Fnv1a64(std::string_view bytes, std::uint64_t h) {
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  return h;
}

std::string Header() {
  std::string out(kChangeLogMagic);
  PutLe(out, kChangeLogVersion);
  return out;
}

// The payload of the record at pos when its header and CRC-32 are sound.
std::optional<std::string_view> SoundPayloadAt(std::string_view bytes, std::size_t pos) {
  if (bytes.size() - pos < kRecordHeaderSize || bytes.substr(pos, 4) != kChangeRecordMarker) {
    return std::nullopt;
  }
  ByteReader header(bytes.substr(pos + 4, 8), "");
  const auto length = header.Le<std::uint32_t>();
  const auto crc = header.Le<std::uint32_t>();
  if (length > bytes.size() - pos - kRecordHeaderSize) return std::nullopt;
  const std::string_view payload = bytes.substr(pos + kRecordHeaderSize, length);
  if (Crc32(payload) != crc) return std::nullopt;
  return payload;
}

bool SoundRecordFrom(std::string_view bytes, std::size_t from) {
  for (std::size_t at = bytes.find(kChangeRecordMarker, from); at != std::string_view::npos;
       at = bytes.find(kChangeRecordMarker, at + 1)) {
    if (SoundPayloadAt(bytes, at)) return true;
  }
  return false;
}

}  // namespace

HandOverMark HandOverMark::Of(std::string_view text, std::uint64_t unprocessedFrom) {
  HandOverDigest digest;
  digest.Add(text);
  return digest.Mark(unprocessedFrom);
}

bool HandOverMark::Describes(std::string_view text) const {
  HandOverDigest digest;
  digest.Add(text);
  return digest.Matches(*this);
}

void HandOverDigest::Add(std::string_view bytes) {
  length += bytes.size();
  crc = Crc32(bytes, crc);
  hash = Fnv1a64(bytes, hash);
}

HandOverMark HandOverDigest::Mark(std::uint64_t unprocessedFrom) const {
  return HandOverMark{length, crc, hash, unprocessedFrom};
}

std::string HandOverMark::Unprocessed(std::string_view text) const {
  if (!Describes(text)) return std::string(text);
  const std::size_t start = unprocessedFrom < 1 ? 0 : static_cast<std::size_t>(unprocessedFrom - 1);
  return start < text.size() ? Trim(text.substr(start)) : std::string();
}

void ChangeLog::SetPath(FileSystem& files, std::string path) {
  files_ = &files;
  path_ = std::move(path);
  Reset();
}

void ChangeLog::Reset() {
  loaded_ = false;
  bytes_.clear();
  bytesKept_ = false;
  records_.clear();
  damage_.clear();
  seq_ = 0;
  checkpoint_ = false;
  lastHandOver_.reset();
  validEnd_ = 0;
}

void ChangeLog::Load() {
  Reset();
  loaded_ = true;
  if (path_.empty() || !FileExists(path_)) return;
  bytes_ = ReadFileBytes(path_);
  bytesKept_ = true;
  ParseRecords();
}

void ChangeLog::EnsureLoaded() {
  if (!loaded_) Load();
}

void ChangeLog::ForgetLoadedBytes() {
  bytes_.clear();
  bytes_.shrink_to_fit();
  bytesKept_ = false;
  records_.clear();
}

void ChangeLog::ParseRecords() {
  const std::string_view bytes = bytes_;
  if (bytes.size() < kHeaderSize || bytes.substr(0, 8) != kChangeLogMagic) {
    damage_ = "it is not a change log";
    return;
  }
  ByteReader header(bytes.substr(8, 4), "");
  if (header.Le<std::uint32_t>() != kChangeLogVersion) {
    damage_ = "its format version is not known";
    return;
  }
  std::size_t pos = kHeaderSize;
  validEnd_ = pos;
  while (pos < bytes.size()) {
    const auto payload = SoundPayloadAt(bytes, pos);
    bool sound = payload.has_value();
    if (sound) {
      try {
        ByteReader in(*payload, "");
        const auto seq = in.Le<std::uint64_t>();
        const std::uint8_t kind = in.Byte();
        const bool first = records_.empty() && !checkpoint_;
        if ((kind != kCommit && kind != kCheckpoint) || (kind == kCheckpoint && !first) ||
            (!first && seq <= seq_)) {
          in.Fail("records out of order");
        }
        std::optional<HandOverMark> mark;
        const std::uint8_t hasMark = in.Byte();
        if (hasMark > 1) in.Fail("bad mark");
        if (hasMark) {
          HandOverMark m;
          m.length = in.Le<std::uint64_t>();
          m.crc = in.Le<std::uint32_t>();
          m.hash = in.Le<std::uint64_t>();
          m.unprocessedFrom = in.Le<std::uint64_t>();
          mark = m;
        }
        const std::size_t tablesAt = pos + kRecordHeaderSize + in.Position();
        const auto tables = in.Le<std::uint32_t>();
        for (std::uint32_t t = 0; t < tables; ++t) {
          in.Text();
          in.Raw(static_cast<std::size_t>(in.Count(1)));
        }
        if (in.Left() != 0) in.Fail("bytes after the tables");
        if (kind == kCheckpoint) checkpoint_ = true;
        seq_ = seq;
        if (mark) lastHandOver_ = mark;
        records_.push_back({seq, tablesAt, pos + kRecordHeaderSize + payload->size()});
      } catch (const TableError&) {
        sound = false;
      }
    }
    if (!sound) {
      if (SoundRecordFrom(bytes, pos + 1)) {
        damage_ = "a record before the last one is damaged";
      }
      return;  // a torn last record: everything from it on is ignored
    }
    pos = records_.back().end;
    validEnd_ = pos;
  }
}

void ChangeLog::ApplyTo(TableStore& store, std::uint64_t afterSeq) {
  if (!loaded_ || !bytesKept_) Load();
  const std::string context = "Table file of " + store.Name() + " cannot be opened";
  if (Damaged())
    throw TableError(context + ": its change log " + path_ + " is damaged (" + damage_ + ")");
  for (const Record& record : records_) {
    if (record.seq <= afterSeq) continue;
    ByteReader in(std::string_view(bytes_).substr(record.tablesAt, record.end - record.tablesAt),
                  context);
    const auto tables = in.Le<std::uint32_t>();
    for (std::uint32_t t = 0; t < tables; ++t) {
      const std::string name = in.Text();
      const std::string_view changes = in.Raw(static_cast<std::size_t>(in.Count(1)));
      if (!EqualsIgnoreCase(name, store.Name())) continue;
      ByteReader part(changes, context);
      ApplyTableChanges(part, store);
      if (part.Left() != 0) part.Fail("a change record has bytes after its rows");
    }
  }
  store.MarkSaved();
}

std::string ChangeLog::EncodeRecord(std::uint64_t seq, bool checkpoint,
                                    const std::optional<HandOverMark>& mark,
                                    const std::vector<TableStore*>& stores) const {
  std::string payload;
  PutLe(payload, seq);
  payload.push_back(static_cast<char>(checkpoint ? kCheckpoint : kCommit));
  payload.push_back(mark ? 1 : 0);
  if (mark) {
    PutLe(payload, mark->length);
    PutLe(payload, mark->crc);
    PutLe(payload, mark->hash);
    PutLe(payload, mark->unprocessedFrom);
  }
  PutLe(payload, static_cast<std::uint32_t>(stores.size()));
  std::string changes;
  for (const TableStore* store : stores) {
    PutText(payload, store->Name());
    changes.clear();
    EncodeTableChanges(*store, changes);
    PutLe(payload, static_cast<std::uint64_t>(changes.size()));
    payload += changes;
  }
  std::string record(kChangeRecordMarker);
  PutLe(record, static_cast<std::uint32_t>(payload.size()));
  PutLe(record, Crc32(payload));
  return record + payload;
}

FileSystem& ChangeLog::Files() const {
  if (!files_) throw TableError("The change log has no file");
  return *files_;
}

std::uint64_t ChangeLog::Commit(const std::vector<TableStore*>& stores,
                                const std::optional<HandOverMark>& handOver) {
  EnsureLoaded();
  if (Damaged()) throw TableError("The change log " + path_ + " is damaged (" + damage_ + ")");
  std::vector<TableStore*> changed;
  for (TableStore* store : stores) {
    if (store->HasChanges()) changed.push_back(store);
  }
  if (changed.empty() && !handOver) return seq_;
  const std::string record = EncodeRecord(seq_ + 1, false, handOver, changed);
  if (record.size() - kRecordHeaderSize > UINT32_MAX) {
    throw TableError("The changes of one commit are too large for the change log");
  }
  if (validEnd_ < kHeaderSize || !FileExists(path_)) {
    const std::string file = Header() + record;
    WriteFileAtomic(Files(), path_, file);
    validEnd_ = file.size();
  } else {
    if (FileSize(path_) != validEnd_) TruncateFile(Files(), path_, validEnd_);
    AppendFileDurable(Files(), path_, record);
    validEnd_ += record.size();
  }
  ++seq_;
  if (handOver) lastHandOver_ = handOver;
  for (TableStore* store : changed) store->MarkSaved();
  ForgetLoadedBytes();
  return seq_;
}

void ChangeLog::Restart() {
  EnsureLoaded();
  const std::string file = Header() + EncodeRecord(seq_, true, lastHandOver_, {});
  WriteFileAtomic(Files(), path_, file);
  validEnd_ = file.size();
  checkpoint_ = true;
  damage_.clear();
  ForgetLoadedBytes();
}

}  // namespace brenvik
