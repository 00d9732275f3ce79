#include "activity_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "platform/posix/posix_error.h"

namespace brenvik::service {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
  throw FileError(PosixErrorText(what + " \"" + path + "\"", error));
}

void FlushFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

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

std::string IdOf(const struct stat& info) {
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

void WriteAndSync(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) Fail("Cannot create", path, errno);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = errno;
      ::close(fd);
      Fail("Cannot write", path, error);
    }
    done += static_cast<std::size_t>(n);
  }
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  if (!synced) Fail("Cannot flush", path, errno);
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

ActivityLog::ActivityLog(std::string dataFolder, std::string logPath, bool readOnly,
                         StateFile& stateFile)
    : dataFolder_(std::move(dataFolder)),
      logPath_(std::move(logPath)),
      readOnly_(readOnly),
      stateFile_(stateFile) {}

ActivityLog::~ActivityLog() {
  if (fd_ >= 0) ::close(fd_);
}

void ActivityLog::Open() {
  if (!stateFile_.state().compactId.empty()) {
    FinishCompaction();
  } else if (!readOnly_) {
    files_->RemoveFile(logPath_ + kCompactSuffix);  // written, but never noted
  }
  EnsureOpen();
  ServiceState& state = stateFile_.state();
  const std::string next = dataFolder_ + kNextHandOverFile;
  if (state.pending && !PathExists(next)) {
    state.pending = false;  // the rename was done before the stop
    stateFile_.Save();
  }
  if (!state.pending) files_->RemoveFile(next);  // written, but never handed over
}

void ActivityLog::EnsureOpen() {
  struct stat info;
  if (fd_ >= 0 && ::stat(logPath_.c_str(), &info) == 0 &&
      static_cast<std::uint64_t>(info.st_dev) == device_ &&
      static_cast<std::uint64_t>(info.st_ino) == inode_) {
    return;
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!readOnly_) files_->CreateFolders(dataFolder_);
  const int flags = readOnly_ ? O_RDONLY : O_RDWR | O_APPEND | O_CREAT;
  fd_ = ::open(logPath_.c_str(), flags | O_CLOEXEC, 0644);
  if (fd_ < 0) Fail("Cannot open", logPath_, errno);
  ::fstat(fd_, &info);
  device_ = static_cast<std::uint64_t>(info.st_dev);
  inode_ = static_cast<std::uint64_t>(info.st_ino);
  ServiceState& state = stateFile_.state();
  const std::string id = std::to_string(device_) + ":" + std::to_string(inode_);
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

std::uint64_t ActivityLog::Size() const {
  struct stat info;
  if (::fstat(fd_, &info) != 0) Fail("Cannot read", logPath_, errno);
  return static_cast<std::uint64_t>(info.st_size);
}

std::string ActivityLog::ReadRange(std::uint64_t from, std::uint64_t to) const {
  std::string bytes(to - from, '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pread(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(from + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("Cannot read", logPath_, errno);
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

void ActivityLog::DropTornTail() {
  const std::uint64_t from = stateFile_.state().handedOver;
  const std::uint64_t size = Size();
  if (size == from) return;
  const std::string tail = ReadRange(from, size);
  if (tail.empty() || tail.back() == '\n') return;
  const std::size_t lastBreak = tail.rfind('\n');
  const std::uint64_t keep = from + (lastBreak == std::string::npos ? 0 : lastBreak + 1);
  if (::ftruncate(fd_, static_cast<off_t>(keep)) != 0) Fail("Cannot repair", logPath_, errno);
}

void ActivityLog::Append(const std::string& line) {
  if (readOnly_) throw FileError("The replayed log \"" + logPath_ + "\" is not written");
  EnsureOpen();
  const std::string bytes = line + "\r\n";
  const std::uint64_t before = Size();
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = errno;
      [[maybe_unused]] int ignored = ::ftruncate(fd_, static_cast<off_t>(before));
      Fail("Cannot write", logPath_, error);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fdatasync(fd_) != 0) Fail("Cannot flush", logPath_, errno);
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
    WriteFileAtomic(*files_, copy, "");
    state.handedOver = end;
    stateFile_.Save();
    return {0, false};
  }
  WriteFileAtomic(*files_, next, text);
  state.handedOver = end;
  state.pending = true;
  stateFile_.Save();
  Commit();
  return {CountLines(text), false};
}

void ActivityLog::Commit() {
  const std::string next = dataFolder_ + kNextHandOverFile;
  if (!files_->RenameFile(next, dataFolder_ + kHandOverFile)) {
    throw FileError("Cannot rename \"" + next + "\" to " + kHandOverFile);
  }
  FlushFolder(dataFolder_);
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
  WriteAndSync(compact, ReadRange(cut, Size()));
  FlushFolder(dataFolder_);
  step(1);
  struct stat info;
  if (::stat(compact.c_str(), &info) != 0) Fail("Cannot read", compact, errno);
  state.compactId = IdOf(info);
  state.compactCut = cut;
  stateFile_.Save();
  step(2);
  const std::string archive = ArchivePath();
  if (::link(logPath_.c_str(), archive.c_str()) != 0) Fail("Cannot archive", logPath_, errno);
  FlushFolder(dataFolder_);
  step(3);
  if (!files_->RenameFile(compact, logPath_)) throw FileError("Cannot rename \"" + compact + "\"");
  FlushFolder(dataFolder_);
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
  struct stat info;
  const bool renamed = ::stat(logPath_.c_str(), &info) == 0 && IdOf(info) == state.compactId;
  if (renamed) {
    state.logId = state.compactId;
    state.handedOver =
        state.handedOver > state.compactCut ? state.handedOver - state.compactCut : 0;
  } else {
    files_->RemoveFile(logPath_ + kCompactSuffix);
  }
  state.compactId.clear();
  state.compactCut = 0;
  stateFile_.Save();
}

// LogInformation-<seconds>.dat beside the log, the first name not taken.
std::string ActivityLog::ArchivePath() const {
  std::string base = logPath_;
  const std::size_t dot = base.rfind('.');
  const std::size_t slash = base.rfind('/');
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
