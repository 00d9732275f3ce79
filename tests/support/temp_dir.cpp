#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "base/file_io.h"

namespace brenvik::test {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const auto base = std::filesystem::temp_directory_path() /
                    ("brenvik-test-" + std::to_string(stamp) + "-" + std::to_string(++counter));
  std::filesystem::create_directories(base);
  path_ = FromFsPath(base) + PathSeparator();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(ToFsPath(path_), ec);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  const std::string file = File(name);
  std::ofstream out(ToFsPath(file), std::ios::binary | std::ios::trunc);
  out << bytes;
  return file;
}

}  // namespace brenvik::test
