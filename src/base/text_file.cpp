#include "base/text_file.h"

#include "base/file_io.h"

namespace brenvik {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::string ReadTextFile(const std::string& path) { return ReadFileBytes(path); }

void WriteTextFileWithBom(FileSystem& files, const std::string& path, std::string_view text) {
  std::string bytes(kUtf8Bom);
  bytes += text;
  WriteFileAtomic(files, path, bytes);
}

std::string TrimLeft(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  return std::string(text.substr(start));
}

std::string TrimRight(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

std::string JoinLines(std::string_view a, std::string_view b) {
  std::string joined(a);
  joined += "\r\n";
  joined += b;
  return TrimLeft(joined);
}

}  // namespace brenvik
