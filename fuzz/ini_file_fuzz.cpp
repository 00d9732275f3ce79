// INI documents over any text: reading never refuses, and a document
// written out reads back as the same document.
#include <cstddef>
#include <cstdint>

#include "base/ini_file.h"
#include "fuzz_support.h"

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const IniFile ini = IniFile::Parse(fuzz::AsText(data, size));
  const std::string text = ini.ToText();
  const IniFile again = IniFile::Parse(text);
  fuzz::Check(again.SectionNames() == ini.SectionNames(), "sections change when written");
  for (const std::string& section : ini.SectionNames()) {
    fuzz::Check(again.Entries(section) == ini.Entries(section), "keys change when written");
    for (const auto& [key, value] : ini.Entries(section)) {
      fuzz::Check(ini.Read(section, key).has_value(), "a key listed cannot be read");
      ini.ReadInteger(section, key, 0);
      ini.ReadBool(section, key, false);
    }
  }
  fuzz::Check(again.ToText() == text, "a document written twice differs");
  return 0;
}
