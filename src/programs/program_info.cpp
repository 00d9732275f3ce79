#include "programs/program_info.h"

#include <exception>

#include "programs/version_info.h"

namespace brenvik {

std::string FileNamePart(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string GetProgramTitle(VersionResources& resources, const std::string& path) {
  std::string title;
  const std::size_t size = VerInfoBufferSize(resources, path);
  if (size > 0) {
    std::string buffer;
    LoadVerInfo(resources, path, size, buffer);
    ReadFixedFileInfo(buffer);  // only its presence and size are checked
    for (const TTransRec& translation : ReadTranslations(buffer)) {
      title = ReadStringFileInfo(buffer, TranslationKey(translation), "FileDescription");
    }
  }
  if (title.empty()) title = FileNamePart(path);
  return title;
}

std::string GetFileVersionText(VersionResources& resources, const std::string& path) {
  const std::size_t size = VerInfoBufferSize(resources, path);
  if (size == 0) return {};
  std::string buffer;
  try {
    LoadVerInfo(resources, path, size, buffer);
  } catch (const std::exception&) {
    return {};  // a resource that cannot be loaded has no version to show
  }
  const std::optional<VersionValue> fixed = QueryVersionValue(buffer, "\\");
  // The file version fields are the third and fourth double words.
  if (!fixed || fixed->bytes.size() < 16) return {};
  const std::string_view b = fixed->bytes;
  auto word = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(b[at]) |
                                 (static_cast<unsigned char>(b[at + 1]) << 8));
  };
  return std::to_string(word(10)) + "." + std::to_string(word(8)) + "." + std::to_string(word(14)) +
         "." + std::to_string(word(12));
}

}  // namespace brenvik
