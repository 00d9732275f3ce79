// The service's answer to the service control manager: which controls it
// accepts and what each one records. HandleServiceControl is a plain function
// of the recorder, so that tests call it directly with the notifications a
// test system cannot send (shutdown, session changes, time changes, power
// events).
#pragma once

#include <windows.h>

#include <functional>

#include "recorder.h"

namespace brenvik::service {

// The controls the running service asks for.
inline constexpr DWORD kAcceptedControls =
    SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN |
    SERVICE_ACCEPT_SESSIONCHANGE | SERVICE_ACCEPT_TIMECHANGE | SERVICE_ACCEPT_POWEREVENT;

// What SERVICE_CONTROL_TIMECHANGE brings (SERVICE_TIMECHANGE_INFO, which
// the MinGW headers lack): the new and the old system time as FILETIMEs.
struct TimeChangeInfo {
  LARGE_INTEGER newTime;
  LARGE_INTEGER oldTime;
};

// Carries out one control for the recorder; stop is called when the service
// is to end (after the shutdown line for PRESHUTDOWN and SHUTDOWN). The
// result is what a HandlerEx returns: NO_ERROR, or
// ERROR_CALL_NOT_IMPLEMENTED for a control the service does not take.
DWORD HandleServiceControl(Recorder& recorder, const std::function<void()>& stop, DWORD control,
                           DWORD eventType, void* eventData);

// A FILETIME as a date-time.
DateTime FileTimeToDateTime(const LARGE_INTEGER& fileTime);

}  // namespace brenvik::service
