#include "platform/posix/posix_shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "base/file_io.h"
#include "base/text_file.h"
#include "base/utf8.h"
#include "records/text_helpers.h"

namespace brenvik {
namespace {

std::string Env(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : fallback;
}

std::string Home() { return Env("HOME", "/tmp"); }

std::string Slash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// XDG_DESKTOP_DIR from user-dirs.dirs, else ~/Desktop.
std::string DesktopFolder() {
  const std::string file = Env("XDG_CONFIG_HOME", Home() + "/.config") + "/user-dirs.dirs";
  if (FileExists(file)) {
    for (const std::string& raw : SplitByChar(ReadTextFile(file), '\n')) {
      const std::string line = Trim(raw);
      if (line.rfind("XDG_DESKTOP_DIR=", 0) != 0) continue;
      std::string value = line.substr(16);
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
      }
      if (value.rfind("$HOME", 0) == 0) value = Home() + value.substr(5);
      return Slash(value);
    }
  }
  return Home() + "/Desktop/";
}

// Key=value of the [Desktop Entry] group.
std::string DesktopEntryValue(const std::string& text, const std::string& key) {
  bool inEntry = false;
  for (const std::string& raw : SplitByChar(text, '\n')) {
    const std::string line = Trim(raw);
    if (!line.empty() && line[0] == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (inEntry && line.rfind(key + "=", 0) == 0) return Trim(line.substr(key.size() + 1));
  }
  return {};
}

bool IsExecutableFile(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111);
}

}  // namespace

std::vector<std::string> ExecArguments(const std::string& execLine) {
  // The value's own escapes first (\s \n \t \r \\), then the argument
  // quoting of the Exec key: blanks separate arguments outside double
  // quotes, and inside them a backslash takes the next character as it is.
  std::string value;
  for (std::size_t i = 0; i < execLine.size(); ++i) {
    const char c = execLine[i];
    if (c != '\\' || i + 1 == execLine.size()) {
      value += c;
      continue;
    }
    const char next = execLine[++i];
    switch (next) {
      case 's':
        value += ' ';
        break;
      case 'n':
        value += '\n';
        break;
      case 't':
        value += '\t';
        break;
      case 'r':
        value += '\r';
        break;
      case '\\':
        value += '\\';
        break;
      default:
        value += '\\';
        value += next;
        break;
    }
  }
  std::vector<std::string> args;
  std::string word;
  bool inWord = false, quoted = false;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else {
        if (c == '\\' && i + 1 < value.size()) ++i;
        word += value[i];
      }
    } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      if (inWord) args.push_back(word);
      word.clear();
      inWord = false;
    } else {
      inWord = true;
      if (c == '"') {
        quoted = true;
      } else {
        word += c;
      }
    }
  }
  if (inWord) args.push_back(word);
  return args;
}

namespace {

// The program env starts: after its options and VAR=value assignments.
std::string AfterEnv(const std::vector<std::string>& args) {
  std::size_t i = 1;
  while (i < args.size()) {
    const std::string& a = args[i];
    if (a == "-u" || a == "--unset" || a == "-C" || a == "--chdir") {
      i += 2;
    } else if (a == "--") {
      ++i;
      break;
    } else if (!a.empty() && (a[0] == '-' || a.find('=') != std::string::npos)) {
      ++i;
    } else {
      break;
    }
  }
  return i < args.size() ? args[i] : std::string();
}

}  // namespace

std::string ExecProgram(const std::string& execLine, const std::string& pathVariable) {
  const std::vector<std::string> args = ExecArguments(execLine);
  if (args.empty()) return {};
  std::string word = args[0];
  const bool isEnv = word == "env" || (word.size() > 4 && word.ends_with("/env"));
  if (isEnv && args.size() > 1) word = AfterEnv(args);
  if (word.empty() || word.find('/') != std::string::npos) return word;
  for (const std::string& folder : SplitByChar(pathVariable, ':')) {
    if (folder.empty()) continue;
    std::string candidate = Slash(folder) + word;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return word;
}

bool SpawnDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    ::setsid();
    if (::fork() != 0) ::_exit(0);  // the grandchild is adopted by init
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    const int error = errno;
    [[maybe_unused]] ssize_t ignored = ::write(report[1], &error, sizeof error);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  int error = 0;
  const ssize_t n = ::read(report[0], &error, sizeof error);
  ::close(report[0]);
  return n == 0;  // the pipe closed on a successful exec
}

std::string PosixShell::FolderPath(SpecialFolder folder) {
  const std::string config = Env("XDG_CONFIG_HOME", Home() + "/.config");
  const std::string data = Env("XDG_DATA_HOME", Home() + "/.local/share");
  switch (folder) {
    case SpecialFolder::LocalAppData:
      return Slash(data);
    case SpecialFolder::ProgramFiles:
      return "/opt/";
    case SpecialFolder::StartMenuUser:
      return data + "/applications/";
    case SpecialFolder::StartMenuAllUsers:
      return "/usr/share/applications/";
    case SpecialFolder::Desktop:
    case SpecialFolder::DesktopDirectory:
      return DesktopFolder();
    case SpecialFolder::AutostartUser:
      return config + "/autostart/";
    case SpecialFolder::AutostartAllUsers:
      return "/etc/xdg/autostart/";
  }
  return {};
}

std::string PosixShell::ExecutableFolder() {
  char buffer[PATH_MAX] = {};
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string path(buffer, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

bool PosixShell::IsShortcut(const std::string& path) {
  return path.size() > 8 && EqualsIgnoreCase(path.substr(path.size() - 8), ".desktop");
}

std::optional<ShortcutTarget> PosixShell::ResolveShortcut(const std::string& path) {
  if (!IsShortcut(path) || !FileExists(path)) return std::nullopt;
  std::string text;
  try {
    text = ReadTextFile(path);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const std::string exec = DesktopEntryValue(text, "Exec");
  if (exec.empty()) return std::nullopt;
  ShortcutTarget target;
  target.path = ExecProgram(exec, Env("PATH", "/usr/local/bin:/usr/bin:/bin"));
  target.description = DesktopEntryValue(text, "Comment");
  target.iconLocation = DesktopEntryValue(text, "Icon");
  const std::size_t space = exec.find(' ');
  if (space != std::string::npos) target.arguments = Trim(exec.substr(space + 1));
  return target;
}

bool PosixShell::IsProgramFile(const std::string& path) {
  if (path.size() > 4 && EqualsIgnoreCase(path.substr(path.size() - 4), ".exe")) {
    return FileExists(path);
  }
  return IsExecutableFile(path);
}

bool PosixShell::OpenDocument(const std::string& pathOrUrl) {
  return SpawnDetached({"xdg-open", pathOrUrl});
}

bool PosixShell::StartProgram(const std::string& path) { return SpawnDetached({path}); }

bool PosixShell::ShowInFileManager(const std::string& path) {
  const bool shown = SpawnDetached(
      {"dbus-send", "--session", "--type=method_call", "--dest=org.freedesktop.FileManager1",
       "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1.ShowItems",
       "array:string:file://" + path, "string:"});
  if (shown) return true;
  return OpenDocument(path.substr(0, path.rfind('/') + 1));
}

}  // namespace brenvik
