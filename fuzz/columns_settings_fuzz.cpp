// ColumnsSettings.ini over any file: loading gives a layout that starts with
// the "Computer user" column (the file's or the default), a file it does not
// take as a layout is deleted, and a layout it decodes encodes and decodes
// again to the same layout.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "base/file_io.h"
#include "fuzz_support.h"
#include "settings/column_layout.h"
#include "support/failing_file_system.h"

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(fuzz::AsText(data, size));
  ColumnLayout decoded;
  bool readable = true;
  try {
    decoded = DecodeColumnLayout(text);
  } catch (const ConversionError&) {
    readable = false;
  }
  if (readable) {
    fuzz::Check(DecodeColumnLayout(EncodeColumnLayout(decoded)) == decoded,
                "a layout does not survive being written");
  }

  const std::string path = fuzz::WriteScratchFile(kColumnsSettingsFile, text);
  const ColumnLayout loaded = LoadColumnsSettings(test::NativeFiles(), path);
  fuzz::Check(!loaded.empty() && loaded.front().title == kFirstColumnTitle,
              "a layout without the first column is used");
  fuzz::Check(readable == FileExists(path),
              "an unreadable file is kept, or a readable one deleted");
  return 0;
}
