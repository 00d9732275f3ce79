#include "platform/win32/win32_error.h"

#include <windows.h>

#include "base/errors.h"
#include "base/utf8.h"

namespace brenvik {
namespace {

std::string SystemMessage(std::uint32_t code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (length > 0 && buffer) text = WideToUtf8(std::wstring_view(buffer, length));
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

std::string WindowsErrorReason(std::uint32_t code) {
  const std::string message = SystemMessage(code);
  const std::string number = "error " + std::to_string(code);
  return message.empty() ? number : message + " (" + number + ")";
}

std::string WindowsErrorText(const std::string& context, std::uint32_t code) {
  return context + ": " + WindowsErrorReason(code);
}

std::string LastWindowsErrorText(const std::string& context) {
  return WindowsErrorText(context, ::GetLastError());
}

void ThrowWindowsError(const std::string& context, std::uint32_t code) {
  throw PlatformError(WindowsErrorText(context, code));
}

void ThrowLastWindowsError(const std::string& context) {
  ThrowWindowsError(context, ::GetLastError());
}

std::wstring Utf8ToWide(std::string_view text) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide API speaks UTF-16");
  const std::u16string units = Utf8ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string WideToUtf8(std::wstring_view text) {
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

std::string WideToUtf8(const wchar_t* text, std::size_t maxUnits) {
  if (!text) return {};
  std::size_t length = 0;
  while (length < maxUnits && text[length] != L'\0') ++length;
  return WideToUtf8(std::wstring_view(text, length));
}

}  // namespace brenvik
