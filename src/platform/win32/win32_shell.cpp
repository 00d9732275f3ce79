#include "platform/win32/win32_shell.h"

#include <windows.h>
// The shell headers need <windows.h> before them.
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "base/file_io.h"
#include "base/utf8.h"
#include "platform/win32/win32_error.h"

namespace brenvik {
namespace {

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

bool HasExtension(const std::string& path, const char* extension) {
  const std::string ext(extension);
  return path.size() > ext.size() && EqualsIgnoreCase(path.substr(path.size() - ext.size()), ext);
}

// COM for the calling thread, for as long as the scope lasts; a thread that
// already runs COM (the window's) keeps its own set-up.
class ComScope {
 public:
  ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(result_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT result_;
};

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  void** put() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

bool Execute(const wchar_t* verb, const std::wstring& file, const std::wstring& parameters) {
  const HINSTANCE result =
      ::ShellExecuteW(nullptr, verb, file.c_str(),
                      parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string Text(const wchar_t* buffer) { return WideToUtf8(buffer, MAX_PATH); }

// The 8.3 form of an existing path, also where the shell's link object
// ignores SLGP_SHORTPATH; a target that does not exist stays as it is.
std::string ShortForm(const std::string& path) {
  if (path.empty()) return path;
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameW(Utf8ToWide(path).c_str(), buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? WideToUtf8(buffer, length) : path;
}

}  // namespace

std::string SpecialFolderPath(int csidl) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &items)) || !items) return {};
  wchar_t path[MAX_PATH] = {};
  const BOOL ok = ::SHGetPathFromIDListW(items, path);
  ::CoTaskMemFree(items);
  return ok ? WithBackslash(Text(path)) : std::string();
}

std::string Win32Shell::FolderPath(SpecialFolder folder) {
  switch (folder) {
    case SpecialFolder::LocalAppData:
      return SpecialFolderPath(CSIDL_LOCAL_APPDATA);
    case SpecialFolder::ProgramFiles:
      return SpecialFolderPath(CSIDL_PROGRAM_FILES);
    case SpecialFolder::StartMenuUser:
      return SpecialFolderPath(CSIDL_STARTMENU);
    case SpecialFolder::StartMenuAllUsers:
      return SpecialFolderPath(CSIDL_COMMON_STARTMENU);
    case SpecialFolder::Desktop:
      return SpecialFolderPath(CSIDL_DESKTOP);
    case SpecialFolder::DesktopDirectory:
      return SpecialFolderPath(CSIDL_DESKTOPDIRECTORY);
    case SpecialFolder::AutostartUser:
    case SpecialFolder::AutostartAllUsers:
      return {};
  }
  return {};
}

std::string Win32Shell::ExecutableFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return ".\\";
    if (length < buffer.size()) {
      const std::string path = WideToUtf8(std::wstring_view(buffer.data(), length));
      return path.substr(0, path.find_last_of("\\/") + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool Win32Shell::IsShortcut(const std::string& path) { return HasExtension(path, ".lnk"); }

std::optional<ShortcutTarget> Win32Shell::ResolveShortcut(const std::string& path) {
  if (!IsShortcut(path)) return std::nullopt;
  ComScope com;
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.put())) ||
      FAILED(file->Load(Utf8ToWide(path).c_str(), STGM_READ))) {
    return std::nullopt;
  }
  wchar_t buffer[MAX_PATH] = {};
  ShortcutTarget target;
  if (FAILED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_SHORTPATH))) return std::nullopt;
  target.path = ShortForm(Text(buffer));
  buffer[0] = L'\0';
  if (FAILED(link->GetDescription(buffer, MAX_PATH))) return std::nullopt;
  target.description = Text(buffer);
  buffer[0] = L'\0';
  if (SUCCEEDED(link->GetArguments(buffer, MAX_PATH))) target.arguments = Text(buffer);
  buffer[0] = L'\0';
  int iconIndex = 0;
  if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &iconIndex))) {
    target.iconLocation = Text(buffer);
  }
  return target;
}

bool Win32Shell::IsProgramFile(const std::string& path) {
  return HasExtension(path, ".exe") && FileExists(path);
}

bool Win32Shell::OpenDocument(const std::string& pathOrUrl) {
  return Execute(L"open", Utf8ToWide(pathOrUrl), {});
}

bool Win32Shell::StartProgram(const std::string& path) {
  return Execute(L"open", Utf8ToWide(path), {});
}

bool Win32Shell::ShowInFileManager(const std::string& path) {
  return Execute(L"OPEN", L"explorer.exe", L"/select, \"" + Utf8ToWide(path) + L"\"");
}

}  // namespace brenvik
