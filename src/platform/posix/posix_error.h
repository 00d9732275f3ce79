// Translation of errno into the messages of PlatformError, in one place.
#pragma once

#include <string>

namespace brenvik {

// "context: strerror(errno)"
std::string PosixErrorText(const std::string& context, int errorNumber);
[[noreturn]] void ThrowPosixError(const std::string& context, int errorNumber);

}  // namespace brenvik
