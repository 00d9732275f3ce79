// The PE reader over any file: it finds no version block or one no larger
// than the file and the limit, and the queries of the program list run on
// what it finds.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "fuzz_support.h"
#include "programs/pe_version_block.h"
#include "programs/version_info.h"

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::WriteScratchFile("program.exe", fuzz::AsText(data, size));
  const std::optional<std::string> block = ReadPeVersionBlock(path);
  if (!block) return 0;
  fuzz::Check(block->size() <= size && block->size() <= kMaxPeVersionBlock,
              "a version block larger than the file or the limit");
  try {
    ReadFixedFileInfo(*block);
  } catch (const FileError&) {
  }
  for (const TTransRec& translation : ReadTranslations(*block)) {
    ReadStringFileInfo(*block, TranslationKey(translation), "FileDescription");
  }
  return 0;
}
