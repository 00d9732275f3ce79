#include "control_handler.h"

#include <wtsapi32.h>

namespace brenvik::service {

DateTime FileTimeToDateTime(const LARGE_INTEGER& fileTime) {
  FILETIME file;
  file.dwLowDateTime = fileTime.LowPart;
  file.dwHighDateTime = static_cast<DWORD>(fileTime.HighPart);
  SYSTEMTIME t{};
  if (!::FileTimeToSystemTime(&file, &t)) return ZeroDateTime;
  return EncodeDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

DWORD HandleServiceControl(Recorder& recorder, const std::function<void()>& stop, DWORD control,
                           DWORD eventType, void* eventData) {
  switch (control) {
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    case SERVICE_CONTROL_STOP:
      // The service stops, the computer runs on: no line.
      stop();
      return NO_ERROR;
    case SERVICE_CONTROL_PRESHUTDOWN:
    case SERVICE_CONTROL_SHUTDOWN:
      recorder.OnShutdown();
      stop();
      return NO_ERROR;
    case SERVICE_CONTROL_SESSIONCHANGE:
      if (eventData) {
        const auto* session = static_cast<const WTSSESSION_NOTIFICATION*>(eventData);
        recorder.OnSessionChange(eventType, session->dwSessionId);
      }
      return NO_ERROR;
    case SERVICE_CONTROL_TIMECHANGE:
      if (eventData) {
        const auto* change = static_cast<const TimeChangeInfo*>(eventData);
        recorder.OnTimeChange(FileTimeToDateTime(change->oldTime),
                              FileTimeToDateTime(change->newTime));
      }
      return NO_ERROR;
    case SERVICE_CONTROL_POWEREVENT:
      if (eventType == PBT_APMSUSPEND) recorder.OnSuspend();
      if (eventType == PBT_APMRESUMEAUTOMATIC || eventType == PBT_APMRESUMESUSPEND) {
        recorder.OnResume();
      }
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

}  // namespace brenvik::service
