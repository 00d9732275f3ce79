#include "platform/posix/posix_error.h"

#include <cstring>

#include "base/errors.h"

namespace brenvik {

std::string PosixErrorText(const std::string& context, int errorNumber) {
  return context + ": " + std::strerror(errorNumber);
}

void ThrowPosixError(const std::string& context, int errorNumber) {
  throw PlatformError(PosixErrorText(context, errorNumber));
}

}  // namespace brenvik
