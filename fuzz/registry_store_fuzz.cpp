// The POSIX registry store over any file: every key and value it finds can
// be read, and writing one more value keeps everything that was readable
// before, unchanged, whatever damaged lines the file held.
#include <cstddef>
#include <cstdint>
#include <map>

#include "base/utf8.h"
#include "fuzz_support.h"
#include "platform/posix/posix_registry.h"

using namespace brenvik;

namespace {

struct Seen {
  std::optional<std::string> text;
  std::optional<std::int32_t> integer;
  std::optional<bool> boolean;
  bool operator==(const Seen&) const = default;
};
using Snapshot = std::map<std::string, Seen>;  // key path + "\" + value name

void Walk(Registry& registry, const std::string& path, int depth, Snapshot& out) {
  auto key = registry.OpenKey(RegistryRoot::CurrentUser, path, false);
  if (!key) return;
  for (const std::string& name : key->ValueNames()) {
    fuzz::Check(key->ValueExists(name), "a value listed does not exist");
    out[path + "\\" + name] = {key->ReadString(name), key->ReadInteger(name), key->ReadBool(name)};
  }
  if (depth == 0) return;
  for (const std::string& child : key->SubKeyNames()) {
    fuzz::Check(!child.empty(), "a subkey without a name");
    Walk(registry, path + "\\" + child, depth - 1, out);
  }
}

Snapshot Everything(Registry& registry) {
  Snapshot seen;
  for (const char* top : {"Software", "System", "x"}) Walk(registry, top, 6, seen);
  return seen;
}

// A value of the probe's name may be in the file already; it is replaced.
Snapshot WithoutProbe(Snapshot seen) {
  static constexpr std::string_view kProbe = "\\fuzzprobe";
  std::erase_if(seen, [](const auto& entry) {
    const std::string lower = AsciiLower(entry.first);
    return lower.ends_with(kProbe);
  });
  return seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string folder = fuzz::ScratchFolder();
  fuzz::WriteScratchFile("registry.ini", fuzz::AsText(data, size));
  PosixRegistry registry(folder, folder + "machine/");
  const Snapshot before = Everything(registry);

  auto product = registry.OpenKey(RegistryRoot::CurrentUser, kProductKeyPath, true);
  fuzz::Check(product != nullptr, "the product key cannot be created");
  product->WriteString("FuzzProbe", "a=b%c\r\nd");
  fuzz::Check(product->ReadString("FuzzProbe") == "a=b%c\r\nd",
              "a value written reads back otherwise");

  fuzz::Check(WithoutProbe(Everything(registry)) == WithoutProbe(before),
              "writing a value changes the others");
  return 0;
}
