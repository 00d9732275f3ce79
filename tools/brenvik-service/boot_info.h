// Facts about the current boot of this computer: the seconds it has been
// running (CLOCK_BOOTTIME, suspended time included) and the kernel's boot id,
// which tells one boot from the next.
#pragma once

#include <cstdint>
#include <string>

namespace brenvik::service {

// Whole seconds since boot; 0 when the clock cannot be read.
std::int64_t SecondsSinceBoot();
// The same with fractions, for measuring how the wall clock moved.
double BootClockSeconds();
// The wall clock (CLOCK_REALTIME) in seconds since 1970.
double RealtimeSeconds();

// /proc/sys/kernel/random/boot_id without its line end; empty when unknown.
std::string CurrentBootId();

}  // namespace brenvik::service
