#include "platform/win32/win32_clock.h"

#include <windows.h>

#include <optional>

namespace brenvik {
namespace {

DateTime FromSystemTime(const SYSTEMTIME& st) {
  return EncodeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond,
                        st.wMilliseconds);
}

// Nothing for moments the system time cannot hold (before 1601).
std::optional<SYSTEMTIME> ToSystemTime(DateTime value) {
  const DateParts date = DecodeDate(value);
  const TimeParts time = DecodeTime(value);
  if (date.year < 1601 || date.year > 30827) return std::nullopt;
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(date.year);
  st.wMonth = static_cast<WORD>(date.month);
  st.wDay = static_cast<WORD>(date.day);
  st.wDayOfWeek = static_cast<WORD>(DayOfWeek(value) - 1);
  st.wHour = static_cast<WORD>(time.hour);
  st.wMinute = static_cast<WORD>(time.minute);
  st.wSecond = static_cast<WORD>(time.second);
  st.wMilliseconds = static_cast<WORD>(time.millisecond);
  return st;
}

}  // namespace

DateTime Win32Clock::LocalNow() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return FromSystemTime(st);
}

DateTime Win32Clock::UtcNow() {
  SYSTEMTIME st;
  ::GetSystemTime(&st);
  return FromSystemTime(st);
}

std::int32_t Win32Clock::UtcOffsetSeconds() {
  SYSTEMTIME utc;
  ::GetSystemTime(&utc);
  utc.wMilliseconds = 0;
  TIME_ZONE_INFORMATION zone;
  if (::GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return 0;
  SYSTEMTIME local;
  if (!::SystemTimeToTzSpecificLocalTime(&zone, &utc, &local)) return 0;
  return static_cast<std::int32_t>(
      (ToLinearMs(FromSystemTime(local)) - ToLinearMs(FromSystemTime(utc))) / 1000);
}

DateTime Win32Clock::UtcToLocal(DateTime utc) {
  const auto st = ToSystemTime(utc);
  SYSTEMTIME local;
  // The zone of this moment's year, with its daylight-saving dates.
  if (st && ::SystemTimeToTzSpecificLocalTime(nullptr, &*st, &local)) return FromSystemTime(local);
  return FromLinearMs(ToLinearMs(utc) + static_cast<std::int64_t>(UtcOffsetSeconds()) * 1000);
}

std::int64_t Win32Clock::PerformanceCounter() {
  LARGE_INTEGER value;
  return ::QueryPerformanceCounter(&value) ? value.QuadPart : 0;
}

std::int64_t Win32Clock::PerformanceFrequency() {
  LARGE_INTEGER value;
  return ::QueryPerformanceFrequency(&value) ? value.QuadPart : 0;
}

std::uint32_t Win32Clock::TickCount() { return ::GetTickCount(); }

std::uint32_t Win32Clock::LastInputTick() {
  LASTINPUTINFO info{};
  info.cbSize = sizeof info;
  return ::GetLastInputInfo(&info) ? info.dwTime : TickCount();
}

void Win32Clock::Sleep(int milliseconds) {
  ::Sleep(static_cast<DWORD>(milliseconds < 0 ? 0 : milliseconds));
}

}  // namespace brenvik
