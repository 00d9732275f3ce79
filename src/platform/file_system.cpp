#include "platform/file_system.h"

#include <cerrno>
#include <cstring>

namespace brenvik {
namespace {

std::string ReasonOfErrno(int error, const char* otherwise) {
  return error != 0 ? std::string(std::strerror(error)) : std::string(otherwise);
}

class StdioFile : public WritableFile {
 public:
  explicit StdioFile(std::FILE* file) : file_(file) {}
  ~StdioFile() override {
    if (file_) std::fclose(file_);
  }
  StdioFile(const StdioFile&) = delete;
  StdioFile& operator=(const StdioFile&) = delete;

  std::string Write(std::string_view bytes) override {
    if (!file_) return "The file is closed";
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()) return {};
    return ReasonOfErrno(errno, "The bytes could not be written");
  }

  std::string Close() override {
    if (!file_) return {};
    errno = 0;
    const bool failed = std::ferror(file_) != 0;
    const bool closeFailed = std::fclose(file_) != 0;
    file_ = nullptr;
    if (!failed && !closeFailed) return {};
    return ReasonOfErrno(errno, "The bytes could not be written");
  }

 private:
  std::FILE* file_;
};

class HeldBytes : public MappedFile {
 public:
  explicit HeldBytes(std::string bytes) : bytes_(std::move(bytes)) {}
  std::string_view Bytes() const override { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace

std::unique_ptr<MappedFile> HoldBytes(std::string bytes) {
  return std::make_unique<HeldBytes>(std::move(bytes));
}

std::unique_ptr<WritableFile> WrapStdioFile(std::FILE* file) {
  return std::make_unique<StdioFile>(file);
}

}  // namespace brenvik
