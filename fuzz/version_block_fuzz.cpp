// Version-resource blocks (VS_VERSIONINFO) over any bytes, queried the way
// the program list asks them: every value found lies inside the block, and
// a damaged block gives "not found" or the user's error texts, nothing else.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "fuzz_support.h"
#include "programs/version_info.h"

using namespace brenvik;

namespace {

void CheckInside(std::string_view block, const std::optional<VersionValue>& value) {
  if (!value) return;
  const char* begin = block.data();
  fuzz::Check(value->bytes.data() >= begin &&
                  value->bytes.data() + value->bytes.size() <= begin + block.size(),
              "a value lies outside its block");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view block = fuzz::AsText(data, size);
  try {
    ReadFixedFileInfo(block);
  } catch (const FileError&) {
  }
  for (const char* path : {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo",
                           "\\StringFileInfo\\040904B0\\FileDescription", "\\\\x\\"}) {
    CheckInside(block, QueryVersionValue(block, path));
  }
  TTransRecArray translations = ReadTranslations(block);
  translations.push_back({0x0409, 0x04B0});
  for (const TTransRec& translation : translations) {
    const std::string key = TranslationKey(translation);
    for (const char* name : {"FileDescription", "FileVersion", "ProductName", "CompanyName"}) {
      ReadStringFileInfo(block, key, name);
    }
  }
  return 0;
}
