// .desktop launchers over any file: a launcher with an Exec= line in its
// [Desktop Entry] group resolves to a program, other files to nothing, and
// the texts taken from it stay within their lines.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "platform/posix/posix_shell.h"

using namespace brenvik;

namespace {

// Lines end at LF; a lone CR is an ordinary character of a launcher's line.
bool OneLine(const std::string& text) { return text.find('\n') == std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::WriteScratchFile("launcher.desktop", fuzz::AsText(data, size));
  PosixShell shell;
  const std::optional<ShortcutTarget> target = shell.ResolveShortcut(path);
  if (!target) return 0;
  fuzz::Check(OneLine(target->path) && OneLine(target->arguments) && OneLine(target->description) &&
                  OneLine(target->iconLocation),
              "a launcher's text holds a line break");
  ExecProgram(target->arguments, "/usr/bin:/bin");
  return 0;
}
