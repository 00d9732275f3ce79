#include "base/file_io.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>
#include <system_error>

#include "base/errors.h"

namespace brenvik {
namespace fs = std::filesystem;
namespace {

// Temporary names carry a token of this process, so that a name planted in
// the folder beforehand cannot be predicted (the no-follow open refuses an
// existing name, which would otherwise stop every write of that file).
std::string TempNameFor(const std::string& path) {
  static const unsigned token = std::random_device{}();
  static std::atomic<unsigned> counter{0};
  return path + ".~tmp" + std::to_string(token % 1000000u) + "-" + std::to_string(++counter);
}

}  // namespace

std::string ParentFolder(const std::string& path) {
  return FromFsPath(ToFsPath(path).parent_path());
}

fs::path ToFsPath(std::string_view utf8Path) {
  std::u8string u8(utf8Path.begin(), utf8Path.end());
  return fs::path(u8);
}

std::string FromFsPath(const fs::path& path) {
  const std::u8string u8 = path.u8string();
  return std::string(u8.begin(), u8.end());
}

char PathSeparator() { return static_cast<char>(fs::path::preferred_separator); }

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(ToFsPath(path), ec);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(ToFsPath(path), ec);
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(ToFsPath(path), ec);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(ToFsPath(path), std::ios::binary);
  if (!in) throw FileError("Cannot open file \"" + path + "\" for reading");
  // One read of the whole size (a table file can be tens of megabytes), then
  // whatever the file grew by meanwhile, or all of it when it has no size.
  std::string bytes;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size > 0 && in) {
    bytes.resize(static_cast<std::size_t>(size));
    in.read(bytes.data(), size);
    bytes.resize(static_cast<std::size_t>(in.gcount()));
  }
  in.clear(in.rdstate() & ~(std::ios::failbit | std::ios::eofbit));
  if (!in.bad()) bytes.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) throw FileError("Cannot read file \"" + path + "\"");
  return bytes;
}

FileView::FileView(FileSystem& files, const std::string& path) {
  std::string reason;
  file_ = files.MapFile(path, reason);
  if (!file_) throw FileError("Cannot open file \"" + path + "\" for reading: " + reason);
}

void WriteFileAtomic(FileSystem& files, const std::string& path, std::string_view bytes) {
  AtomicFileWriter writer(files, path);
  writer.Write(bytes);
  writer.Commit();
}

AtomicFileWriter::AtomicFileWriter(FileSystem& files, std::string path)
    : files_(files), path_(std::move(path)) {
  temp_ = TempNameFor(path_);
  std::string reason;
  file_ = files_.CreateNewFile(temp_, reason);
  if (!file_) throw FileError("Cannot create file \"" + path_ + "\": " + reason);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (done_) return;
  if (file_) (void)file_->Close();
  files_.RemoveFile(temp_);
}

// The temporary file goes at once; the writer is then spent.
void AtomicFileWriter::Fail(const std::string& reason) {
  if (file_) (void)file_->Close();
  file_.reset();
  files_.RemoveFile(temp_);
  done_ = true;
  throw FileError("Cannot write file \"" + path_ + "\": " + reason);
}

void AtomicFileWriter::Write(std::string_view bytes) {
  if (!file_) throw FileError("Cannot write file \"" + path_ + "\": it was already written");
  const std::string reason = file_->Write(bytes);
  if (!reason.empty()) Fail(reason);
}

void AtomicFileWriter::Commit() {
  if (!file_) throw FileError("Cannot write file \"" + path_ + "\": it was already written");
  std::string reason = file_->Close();
  file_.reset();
  if (reason.empty()) reason = files_.SyncFile(temp_);
  if (!reason.empty()) Fail(reason);
  reason = files_.AtomicRename(temp_, path_);
  if (!reason.empty()) {
    files_.RemoveFile(temp_);
    done_ = true;
    throw FileError("Cannot replace file \"" + path_ + "\": " + reason);
  }
  done_ = true;
  files_.SyncFolder(ParentFolder(path_));
}

void ReadFileRange(const std::string& path, std::uint64_t begin, std::uint64_t end,
                   const std::function<void(std::string_view)>& sink) {
  if (end <= begin) return;
  std::ifstream in(ToFsPath(path), std::ios::binary);
  if (!in) throw FileError("Cannot open file \"" + path + "\" for reading");
  in.seekg(static_cast<std::streamoff>(begin));
  std::string buffer(
      static_cast<std::size_t>(std::min<std::uint64_t>(end - begin, kFileChunkBytes)), '\0');
  for (std::uint64_t at = begin; at < end;) {
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(end - at, buffer.size()));
    in.read(buffer.data(), static_cast<std::streamsize>(want));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got == 0) throw FileError("Cannot read file \"" + path + "\": it ended early");
    sink(std::string_view(buffer.data(), got));
    at += got;
  }
}

std::string ReadFileRangeBytes(const std::string& path, std::uint64_t begin, std::uint64_t end) {
  std::string bytes;
  ReadFileRange(path, begin, end, [&bytes](std::string_view piece) { bytes += piece; });
  return bytes;
}

void AppendFileDurable(FileSystem& files, const std::string& path, std::string_view bytes) {
  std::string reason;
  auto file = files.OpenForAppend(path, reason);
  if (!file) throw FileError("Cannot open file \"" + path + "\" for appending: " + reason);
  reason = file->Write(bytes);
  const std::string closed = file->Close();
  if (reason.empty()) reason = closed;
  if (reason.empty()) reason = files.SyncFile(path);
  if (!reason.empty()) throw FileError("Cannot write file \"" + path + "\": " + reason);
}

std::uint64_t FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = fs::file_size(ToFsPath(path), ec);
  if (ec) throw FileError("Cannot read the size of file \"" + path + "\": " + ec.message());
  return size;
}

void TruncateFile(FileSystem& files, const std::string& path, std::uint64_t size) {
  const std::string reason = files.TruncateFile(path, size);
  if (!reason.empty()) throw FileError("Cannot cut file \"" + path + "\": " + reason);
}

void LinkOrCopyFile(FileSystem& files, const std::string& from, const std::string& to,
                    bool syncFolder) {
  std::error_code ec;
  if (fs::equivalent(ToFsPath(from), ToFsPath(to), ec) && !ec) return;  // already the same file
  const std::string temp = TempNameFor(to);
  if (!files.LinkFile(from, temp)) {
    CopyFileOverwrite(files, from, to);
    return;
  }
  const std::string reason = files.AtomicRename(temp, to);
  if (!reason.empty()) {
    files.RemoveFile(temp);
    throw FileError("Cannot replace file \"" + to + "\": " + reason);
  }
  if (syncFolder) files.SyncFolder(ParentFolder(to));
}

void CopyFileOverwrite(FileSystem& files, const std::string& from, const std::string& to) {
  WriteFileAtomic(files, to, ReadFileBytes(from));
}

}  // namespace brenvik
