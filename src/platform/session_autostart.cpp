#include "platform/session_autostart.h"

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/startup/launch_options.h"
#include "programs/program_discovery.h"
#include "records/text_helpers.h"

namespace brenvik {
namespace {

// Key=value of the [Desktop Entry] group, with the value's spaces trimmed.
std::string EntryValue(const std::string& text, const std::string& key) {
  bool inEntry = false;
  for (const std::string& raw : SplitByChar(text, '\n')) {
    const std::string line = Trim(raw);
    if (!line.empty() && line[0] == '[') {
      inEntry = line == "[Desktop Entry]";
    } else if (inEntry && line.rfind(key + "=", 0) == 0) {
      return Trim(line.substr(key.size() + 1));
    }
  }
  return {};
}

}  // namespace

bool RunKeyAutostart::IsOn() {
  auto key = registry_.OpenKey(RegistryRoot::CurrentUser, kRunKeyPath, false);
  return key && key->ValueExists(kAutostartValueName);
}

void RunKeyAutostart::Set(bool on) {
  auto key = registry_.OpenKey(RegistryRoot::CurrentUser, kRunKeyPath, on);
  if (on) {
    if (!key) throw PlatformError("Cannot open the Run key of the current user");
    key->WriteString(kAutostartValueName, CommandLine());
  } else if (key && key->ValueExists(kAutostartValueName) &&
             !key->DeleteValue(kAutostartValueName)) {
    throw PlatformError("Cannot delete the Run key value \"" + std::string(kAutostartValueName) +
                        "\"");
  }
}

std::string RunKeyAutostart::CommandLine() const {
  return "\"" + programPath_ + "\" " + kMinimizedOption;
}

std::string DesktopExecWord(const std::string& path) {
  // The format's reserved characters make a word that must be quoted; inside
  // the quotes " ` $ \ take a backslash. A % is doubled in either form.
  const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string word;
  bool quote = path.empty();
  for (const char c : path) {
    if (reserved.find(c) != std::string::npos) quote = true;
    if (c == '"' || c == '`' || c == '$' || c == '\\') word += '\\';
    word += c;
    if (c == '%') word += '%';
  }
  // The entry's own escaping of a string value: a backslash is written twice.
  std::string value;
  for (const char c : quote ? "\"" + word + "\"" : word) {
    value += c;
    if (c == '\\') value += '\\';
  }
  return value;
}

std::string DesktopEntryAutostart::EntryText() const {
  std::string text =
      "[Desktop Entry]\nType=Application\nName=Brenvik\n"
      "Comment=Start Brenvik in the system tray at login\n";
  text += "Exec=" + DesktopExecWord(programPath_) + " " + kMinimizedOption + "\n";
  text += "Icon=org.taveron.Brenvik\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
  return text;
}

bool DesktopEntryAutostart::IsOn() {
  const std::string path = folder_ + kAutostartFileName;
  if (!FileExists(path)) return false;
  const std::string text = ReadTextFile(path);
  return EntryValue(text, "Hidden") != "true" &&
         EntryValue(text, "X-GNOME-Autostart-enabled") != "false";
}

void DesktopEntryAutostart::Set(bool on) {
  const std::string path = folder_ + kAutostartFileName;
  if (!on) {
    if (PathExists(path) && !files_.RemoveFile(path))
      throw FileError("Cannot delete \"" + path + "\"");
    return;
  }
  if (!files_.CreateFolders(folder_))
    throw FileError("Cannot create the folder \"" + folder_ + "\"");
  WriteFileAtomic(files_, path, EntryText());
}

}  // namespace brenvik
