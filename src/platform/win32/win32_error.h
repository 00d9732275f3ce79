// Translation of Windows error codes into the messages of PlatformError and
// FileError, in one place, and the UTF-8 <-> UTF-16 conversions used at every
// Windows API call. No Windows header is needed to use it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brenvik {

// "<system message> (error N)", the reason alone.
std::string WindowsErrorReason(std::uint32_t code);
// "context: <system message> (error N)"
std::string WindowsErrorText(const std::string& context, std::uint32_t code);
// The same with GetLastError().
std::string LastWindowsErrorText(const std::string& context);
[[noreturn]] void ThrowWindowsError(const std::string& context, std::uint32_t code);
[[noreturn]] void ThrowLastWindowsError(const std::string& context);

// UTF-8 text as the UTF-16 text of the wide API, and back. WideToUtf8 of a
// pointer stops at the first zero or at maxUnits units, whichever comes first.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::string WideToUtf8(const wchar_t* text, std::size_t maxUnits);

}  // namespace brenvik
