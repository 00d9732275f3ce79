// The operations that change files on disk (create, append, flush, replace,
// link, rename, remove, cut and make folders) and the mapping of a large file
// for reading. Every unit that writes data is handed one of these
// (CreateNativeFileSystem() in the linked backend, or a test's failing
// variant) and reaches the disk only through it; the atomic and durable
// writes of base/file_io.h are built on these operations. Small reads are
// left to the plain reads of base/file_io.h.
//
// Paths are UTF-8 texts. Operations that a caller may want to explain return
// the system's reason for a failure ("No space left on device") as a text,
// empty on success, so that the caller's message can name the file the user
// knows rather than a temporary one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace brenvik {

// A file open for writing at its end. Destroying it closes it quietly.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Adds bytes at the end; the reason when they cannot be written.
  virtual std::string Write(std::string_view bytes) = 0;
  // Hands what is buffered to the system and closes; the reason when that
  // fails (a full disk may only show here). Nothing may be written after.
  virtual std::string Close() = 0;
};

// A whole file's bytes for one reading.
class MappedFile {
 public:
  virtual ~MappedFile() = default;
  virtual std::string_view Bytes() const = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The bytes of a whole file, mapped into memory where the system can (a
  // table file is tens of megabytes: copying it cost more than decoding it),
  // else read. The file must not be cut while they are held: data files are
  // only ever replaced whole, which leaves a mapped old file intact. Null
  // with reason set when the file cannot be read.
  virtual std::unique_ptr<MappedFile> MapFile(const std::string& path, std::string& reason) = 0;

  // A new file that must not exist yet, private to the user, never through
  // a symbolic link (a link planted in the data folder cannot make a write
  // land outside it). Null with reason set when it cannot be created.
  virtual std::unique_ptr<WritableFile> CreateNewFile(const std::string& path,
                                                      std::string& reason) = 0;
  // An existing or new file opened at its end, never through a symbolic
  // link. Null with reason set when it cannot be opened.
  virtual std::unique_ptr<WritableFile> OpenForAppend(const std::string& path,
                                                      std::string& reason) = 0;
  // Flushes a closed file's data to the disk; the reason on failure.
  virtual std::string SyncFile(const std::string& path) = 0;
  // Renames from over to, replacing to in one step; the reason on failure.
  virtual std::string AtomicRename(const std::string& from, const std::string& to) = 0;
  // Makes the entries of a folder durable after a rename or link in it
  // (nothing where the rename itself is durable); failures are not told.
  virtual void SyncFolder(const std::string& folder) = 0;
  // A second name for a file's content (a hard link; to must not exist);
  // false where the file system has none or refuses.
  virtual bool LinkFile(const std::string& from, const std::string& to) = 0;
  // True when a file was there and is gone.
  virtual bool RemoveFile(const std::string& path) = 0;
  // A plain rename; false when it failed (to may or may not be replaced).
  virtual bool RenameFile(const std::string& from, const std::string& to) = 0;
  // Cuts a file to size bytes; the reason on failure.
  virtual std::string TruncateFile(const std::string& path, std::uint64_t size) = 0;
  // Creates the folder and every missing parent; true when it exists after.
  virtual bool CreateFolders(const std::string& path) = 0;
};

// A WritableFile over a C stream that the backend opened (the backends'
// files: the library's buffer keeps small writes cheap). The stream's
// failures read as errno texts where the library sets errno.
std::unique_ptr<WritableFile> WrapStdioFile(std::FILE* file);

// A MappedFile that holds the bytes themselves (read, not mapped).
std::unique_ptr<MappedFile> HoldBytes(std::string bytes);

}  // namespace brenvik
