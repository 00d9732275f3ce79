// File helpers shared by every unit that keeps data on disk.
//
// Paths are UTF-8 texts. Reads are plain. Writes go through the FileSystem
// the caller was handed (platform/file_system.h), and every file that holds
// data is replaced atomically: the new content goes to a temporary file in
// the same folder, is flushed to disk, and is then renamed over the old file,
// so a crash leaves either the old or the new content, never a torn file.
// A failed write raises FileError naming the file and the system's reason,
// and leaves the old file as it was.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace brenvik {

// The native path of a UTF-8 path text, and back.
std::filesystem::path ToFsPath(std::string_view utf8Path);
std::string FromFsPath(const std::filesystem::path& path);

// The character that ends SettingsFolder and DataFolder on this system.
char PathSeparator();

bool FileExists(const std::string& path);  // a regular file (or a link to one)
bool DirectoryExists(const std::string& path);
bool PathExists(const std::string& path);  // anything at all, a plain file included

// Whole-file reads; FileError when the file cannot be read.
std::string ReadFileBytes(const std::string& path);

// A whole file's bytes for one reading, mapped by files where the system
// can (FileSystem::MapFile). FileError when it cannot be read.
class FileView {
 public:
  FileView(FileSystem& files, const std::string& path);
  std::string_view Bytes() const { return file_->Bytes(); }

 private:
  std::unique_ptr<MappedFile> file_;
};

// Replaces the file with bytes atomically; FileError on failure (the old file
// is then untouched and no temporary file is left behind).
void WriteFileAtomic(FileSystem& files, const std::string& path, std::string_view bytes);

// A replacement of a file written piece by piece, for content too large to
// hold at once: the pieces go to a new temporary file beside it, and Commit
// flushes that to disk and renames it over the file. A writer destroyed
// without Commit removes its temporary file and leaves the file untouched.
class AtomicFileWriter {
 public:
  // FileError when the temporary file cannot be created. files must
  // outlive the writer.
  AtomicFileWriter(FileSystem& files, std::string path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void Write(std::string_view bytes);  // FileError
  void Commit();                       // FileError

 private:
  [[noreturn]] void Fail(const std::string& reason);

  FileSystem& files_;
  std::string path_;
  std::string temp_;
  std::unique_ptr<WritableFile> file_;
  bool done_ = false;
};

// Pieces of at most this many bytes are read at a time from large files.
inline constexpr std::size_t kFileChunkBytes = 1u << 20;

// Calls sink with the bytes of [begin, end) of the file, in order, in
// pieces of at most kFileChunkBytes. FileError when the file cannot be read
// or ends before end.
void ReadFileRange(const std::string& path, std::uint64_t begin, std::uint64_t end,
                   const std::function<void(std::string_view)>& sink);
std::string ReadFileRangeBytes(const std::string& path, std::uint64_t begin, std::uint64_t end);

// Appends bytes to the end of an existing file and flushes them to disk;
// FileError on failure (part of the bytes may then be in the file).
void AppendFileDurable(FileSystem& files, const std::string& path, std::string_view bytes);
// The size of a file in bytes; FileError when it cannot be found.
std::uint64_t FileSize(const std::string& path);
// Cuts a file to size bytes; FileError on failure.
void TruncateFile(FileSystem& files, const std::string& path, std::uint64_t size);
// Puts a file of from's content at to, replacing what is there atomically:
// a hard link to from where the file system has them (no bytes are copied),
// else a copy. Only for files that are replaced whole and never changed in
// place, since both names then share one file. FileError on failure.
// syncFolder false leaves the flush of the folder's new entry to the
// caller (FileSystem::SyncFolder once after linking several files into one
// folder).
void LinkOrCopyFile(FileSystem& files, const std::string& from, const std::string& to,
                    bool syncFolder = true);
// Replaces to with a copy of from, atomically; FileError on failure.
void CopyFileOverwrite(FileSystem& files, const std::string& from, const std::string& to);

// The folder a path lies in.
std::string ParentFolder(const std::string& path);

}  // namespace brenvik
