#include "activity_log.h"

#include <ctime>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "file_identity.h"

namespace brenvik::service {
namespace {

std::string WithoutBom(const std::string& text) {
  return text.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0 ? text.substr(kUtf8Bom.size()) : text;
}

// The fourth field of a log line, the event code.
std::string EventField(const std::string& text, std::size_t from, std::size_t to) {
  std::size_t at = from;
  for (int field = 0; field < 3; ++field) {
    at = text.find(';', at);
    if (at == std::string::npos || at >= to) return {};
    ++at;
  }
  std::size_t end = text.find(';', at);
  if (end == std::string::npos || end > to) end = to;
  while (end > at && text[end - 1] == '\r') --end;
  return text.substr(at, end - at);
}

}  // namespace

std::uint64_t CompactionCut(const std::string& taken) {
  std::uint64_t cut = 0;
  std::size_t start = 0;
  while (start < taken.size()) {
    std::size_t end = taken.find('\n', start);
    if (end == std::string::npos) end = taken.size();
    if (EventField(taken, start, end) == "1") cut = start;
    start = end + 1;
  }
  return cut;
}

std::size_t CountLines(const std::string& text) {
  std::size_t lines = 0;
  bool inLine = false;
  for (char c : text) {
    const bool lineBreak = c == '\r' || c == '\n';
    if (!lineBreak && !inLine) ++lines;
    inLine = !lineBreak;
  }
  return lines;
}

ActivityLog::ActivityLog(FileSystem& files, std::string dataFolder, std::string logPath,
                         bool readOnly, StateFile& stateFile)
    : files_(files),
      dataFolder_(std::move(dataFolder)),
      logPath_(std::move(logPath)),
      readOnly_(readOnly),
      stateFile_(stateFile) {}

ActivityLog::~ActivityLog() = default;

void ActivityLog::Open() {
  if (!stateFile_.state().compactId.empty()) {
    FinishCompaction();
  } else if (!readOnly_) {
    files_.RemoveFile(logPath_ + kCompactSuffix);  // written, but never noted
  }
  EnsureOpen();
  ServiceState& state = stateFile_.state();
  const std::string next = dataFolder_ + kNextHandOverFile;
  if (state.pending && !PathExists(next)) {
    state.pending = false;  // the rename was done before the stop
    stateFile_.Save();
  }
  if (!state.pending) files_.RemoveFile(next);  // written, but never handed over
}

// Makes the log when it is missing (recording) and takes a log that is not
// the one the state's mark belongs to as new.
void ActivityLog::EnsureOpen() {
  if (!readOnly_ && !FileExists(logPath_)) {
    files_.CreateFolders(dataFolder_);
    WriteFileAtomic(files_, logPath_, "");
  }
  const std::string id = FileIdentity(logPath_);
  if (id.empty()) throw FileError("Cannot open \"" + logPath_ + "\"");
  if (id == openId_) return;
  pin_.Hold(logPath_);
  openId_ = id;
  ServiceState& state = stateFile_.state();
  bool changed = false;
  if (state.logId != id) {  // a new log: nothing of it was handed over
    state.logId = id;
    state.handedOver = 0;
    changed = true;
  }
  if (state.handedOver > Size()) {  // shortened from outside: taken as new
    state.handedOver = 0;
    changed = true;
  }
  if (changed) stateFile_.Save();
  if (!readOnly_) DropTornTail();
}

std::uint64_t ActivityLog::Size() const { return FileSize(logPath_); }

std::string ActivityLog::ReadRange(std::uint64_t from, std::uint64_t to) const {
  return from >= to ? std::string() : ReadFileRangeBytes(logPath_, from, to);
}

void ActivityLog::DropTornTail() {
  const std::uint64_t from = stateFile_.state().handedOver;
  const std::uint64_t size = Size();
  if (size == from) return;
  const std::string tail = ReadRange(from, size);
  if (tail.empty() || tail.back() == '\n') return;
  const std::size_t lastBreak = tail.rfind('\n');
  TruncateFile(files_, logPath_, from + (lastBreak == std::string::npos ? 0 : lastBreak + 1));
}

void ActivityLog::Append(const std::string& line) {
  if (readOnly_) throw FileError("The replayed log \"" + logPath_ + "\" is not written");
  EnsureOpen();
  const std::uint64_t before = Size();
  try {
    AppendFileDurable(files_, logPath_, line + "\r\n");
  } catch (const FileError&) {
    try {
      TruncateFile(files_, logPath_, before);  // no part of the line stays behind
    } catch (const FileError&) {
      openId_.clear();  // the next start of a line cuts the torn one off
    }
    throw;
  }
}

bool ActivityLog::EndsWithLine(const std::string& line) {
  EnsureOpen();
  const std::uint64_t size = Size();
  const std::uint64_t tail = 64 * 1024;
  const std::string text = ReadRange(size > tail ? size - tail : 0, size);
  const std::string whole = line + "\r\n";
  const std::size_t at = text.rfind(whole);
  return at != std::string::npos && (at == 0 || text[at - 1] == '\n');
}

HandOverResult ActivityLog::HandOver() {
  EnsureOpen();
  ServiceState& state = stateFile_.state();
  const std::string copy = dataFolder_ + kHandOverFile;
  const std::string next = dataFolder_ + kNextHandOverFile;
  if (PathExists(copy)) return {0, true};
  if (state.pending) {
    if (PathExists(next)) {
      const std::size_t lines = CountLines(ReadFileBytes(next));
      Commit();
      return {lines, false};
    }
    state.pending = false;
  }
  const std::uint64_t size = Size();
  std::string bytes = ReadRange(state.handedOver, size);
  if (!readOnly_) {  // only complete lines; one being written waits
    const std::size_t lastBreak = bytes.rfind('\n');
    bytes.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
  }
  const std::uint64_t end = state.handedOver + bytes.size();
  const std::string text = Trim(state.handedOver == 0 ? WithoutBom(bytes) : bytes);
  if (text.empty()) {
    WriteFileAtomic(files_, copy, "");
    state.handedOver = end;
    stateFile_.Save();
    return {0, false};
  }
  WriteFileAtomic(files_, next, text);
  state.handedOver = end;
  state.pending = true;
  stateFile_.Save();
  Commit();
  return {CountLines(text), false};
}

void ActivityLog::Commit() {
  const std::string next = dataFolder_ + kNextHandOverFile;
  if (!files_.RenameFile(next, dataFolder_ + kHandOverFile)) {
    throw FileError("Cannot rename \"" + next + "\" to " + kHandOverFile);
  }
  files_.SyncFolder(dataFolder_);
  stateFile_.state().pending = false;
  stateFile_.Save();
}

bool ActivityLog::Compact(std::uint64_t minimumBytes, const std::function<void(int)>& afterStep) {
  const auto step = [&afterStep](int n) {
    if (afterStep) afterStep(n);
  };
  if (readOnly_) return false;
  EnsureOpen();
  ServiceState& state = stateFile_.state();
  if (state.pending || state.handedOver < minimumBytes) return false;
  const std::uint64_t cut = CompactionCut(ReadRange(0, state.handedOver));
  if (cut == 0) return false;
  const std::string compact = logPath_ + kCompactSuffix;
  WriteFileAtomic(files_, compact, ReadRange(cut, Size()));
  files_.SyncFolder(dataFolder_);
  step(1);
  state.compactId = FileIdentity(compact);
  if (state.compactId.empty()) throw FileError("Cannot read \"" + compact + "\"");
  state.compactCut = cut;
  stateFile_.Save();
  step(2);
  LinkOrCopyFile(files_, logPath_, ArchivePath());
  step(3);
  if (!files_.RenameFile(compact, logPath_)) throw FileError("Cannot rename \"" + compact + "\"");
  files_.SyncFolder(dataFolder_);
  step(4);
  FinishCompaction();
  EnsureOpen();
  return true;
}

// The state after a compaction stopped anywhere: the shortened log is in
// place (its identity is the one noted) and the state takes it, or it is not
// and the old log stays with its state.
void ActivityLog::FinishCompaction() {
  ServiceState& state = stateFile_.state();
  const bool renamed = FileIdentity(logPath_) == state.compactId;
  if (renamed) {
    state.logId = state.compactId;
    state.handedOver =
        state.handedOver > state.compactCut ? state.handedOver - state.compactCut : 0;
  } else {
    files_.RemoveFile(logPath_ + kCompactSuffix);
  }
  state.compactId.clear();
  state.compactCut = 0;
  stateFile_.Save();
}

// LogInformation-<seconds>.dat beside the log, the first name not taken.
std::string ActivityLog::ArchivePath() const {
  std::string base = logPath_;
  const std::size_t dot = base.rfind('.');
  const std::size_t slash = base.find_last_of("/\\");
  const std::string extension =
      dot != std::string::npos && (slash == std::string::npos || dot > slash) ? base.substr(dot)
                                                                              : "";
  base.resize(base.size() - extension.size());
  base += "-" + std::to_string(::time(nullptr));
  std::string path = base + extension;
  for (int n = 2; PathExists(path); ++n) path = base + "-" + std::to_string(n) + extension;
  return path;
}

}  // namespace brenvik::service
