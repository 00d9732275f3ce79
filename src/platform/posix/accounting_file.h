// The login accounting file (wtmp) read as the records it holds: each fixed
// size utmpx record becomes an event of the System log: a boot record event
// 6005, a shutdown record 6006, every other record (logins, logouts,
// run-level changes) identifier 0, evidence that the machine was up then.
// Files compressed with gzip are read too when the build has zlib. Rotated
// siblings of a file ("wtmp.1", "wtmp.2.gz", "wtmp-20240101") are found by
// name beside it.
#pragma once

#include <string>
#include <vector>

#include "platform/event_log.h"

namespace brenvik {

inline constexpr std::uint32_t kEventBoot = 6005;
inline constexpr std::uint32_t kEventShutdown = 6006;

// Epoch seconds as a DateTime of exactly that second (UTC).
DateTime DateTimeOfUnixSeconds(std::int64_t seconds);

// The records of the file's bytes, oldest first as written. Records of no
// known type and records dated before 1980 or more than a day after nowUnix
// (a clock not yet set at boot, a damaged record) are skipped and counted in
// skipped; a partial record at the end (a truncated file) counts as one.
std::vector<EventLogRecord> ParseAccountingRecords(const std::string& bytes, std::int64_t nowUnix,
                                                   std::size_t& skipped);

// The bytes of an accounting file, gunzipped when it is compressed.
// PlatformError naming the file when it cannot be read (or is compressed and
// the build has no zlib).
std::string ReadAccountingBytes(const std::string& path);

// Whether this build reads gzip-compressed accounting files.
bool CanReadCompressedAccountingFiles();

// The rotated siblings of path in its folder, oldest rotation first (the
// highest number first; dated names in date order), without path itself.
std::vector<std::string> RotatedSiblings(const std::string& path);

}  // namespace brenvik
