// What the sanitizer build changes for tests that bound memory or time:
// AddressSanitizer keeps freed memory in a quarantine (256 MiB by default)
// before reusing it, so the peak resident size grows by up to that much, and
// its checks make code a few times slower.
#pragma once

namespace brenvik::test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif

// Added to a bound on the growth of the peak resident size.
inline constexpr long kQuarantineMiB = kUnderAddressSanitizer ? 256 : 0;
// A bound on time is multiplied by this.
inline constexpr int kSlowdown = kUnderAddressSanitizer ? 3 : 1;

}  // namespace brenvik::test
