#include "platform/win32/win32_single_instance.h"

#include <windows.h>

#include "platform/win32/win32_error.h"

namespace brenvik {

bool Win32SingleInstance::CreateLock(const std::string& name) {
  if (held_.count(name)) return false;
  // No access list: every account may open the mutex, so a copy run by
  // another user still sees it.
  SECURITY_DESCRIPTOR descriptor;
  ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  // The handle is never closed: the mutex lives as long as the process.
  ::SetLastError(ERROR_SUCCESS);
  HANDLE mutex = ::CreateMutexW(&attributes, FALSE, Utf8ToWide(name).c_str());
  const DWORD error = ::GetLastError();
  if (!mutex) return error == ERROR_ACCESS_DENIED;
  if (error == ERROR_ALREADY_EXISTS) return true;
  held_.insert(name);
  return false;
}

bool Win32SingleInstance::MainWindowExists(const std::string& windowClass) {
  return ::FindWindowW(Utf8ToWide(windowClass).c_str(), nullptr) != nullptr;
}

bool Win32SingleInstance::LockDataTree(const std::string& dataFolder) {
  std::string path = dataFolder;
  if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
  path += kDataTreeLockFile;
  if (heldTrees_.count(path)) return true;
  // Never closed: the hold lasts as long as the process.
  HANDLE file = ::CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  heldTrees_.insert(path);
  return true;
}

Win32MainWindowMarker::Win32MainWindowMarker(const std::string& windowClass) {
  const std::wstring name = Utf8ToWide(windowClass);
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  if (!::GetClassInfoExW(instance, name.c_str(), &info)) {
    info = WNDCLASSEXW{};
    info.cbSize = sizeof info;
    info.lpfnWndProc = &::DefWindowProcW;
    info.hInstance = instance;
    info.lpszClassName = name.c_str();
    if (!::RegisterClassExW(&info)) {
      ThrowLastWindowsError("Cannot register the window class " + windowClass);
    }
  }
  // A top-level window that is never shown (no WS_VISIBLE, no taskbar
  // button); a message-only window would not be found by FindWindowW.
  HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, name.c_str(), L"", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, instance, nullptr);
  if (!window) ThrowLastWindowsError("Cannot create the window of class " + windowClass);
  window_ = window;
}

Win32MainWindowMarker::~Win32MainWindowMarker() { ::DestroyWindow(static_cast<HWND>(window_)); }

}  // namespace brenvik
