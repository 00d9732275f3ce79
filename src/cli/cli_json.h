// The JSON documents of --format json. Every document is one object with
// "format" ("brenvik-cli"), "version" (kJsonVersion), "command" and
// "created", followed by the command's own members; docs/brenvik-cli-json.md
// describes them and docs/brenvik-cli.schema.json is their JSON Schema.
//
// Durations are whole seconds; moments are ISO 8601 local times with the UTC
// offset the time zone had then ("2013-04-30T12:00:00+02:00"), dates are
// "YYYY-MM-DD"; texts are UTF-8 (bytes that are not UTF-8 become U+FFFD) and
// escaped by JSON's rules. A moment that is not set is null.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "platform/clock.h"
#include "records/date_time.h"

namespace brenvik::cli {

using Json = nlohmann::ordered_json;

// Raised when a change breaks readers of the documents; members may be added
// within a version.
inline constexpr int kJsonVersion = 1;

// The UTC offset, in seconds, that the clock's time zone had at a local
// moment (for a moment that occurs twice at a clock change, one of the two).
std::int32_t UtcOffsetAtLocal(DateTime local, Clock& clock);

// "YYYY-MM-DDTHH:MM:SS+HH:MM" of a local moment, or null when the moment is
// NullDate or ZeroDateTime.
Json IsoMoment(DateTime local, Clock& clock);
// The same with the offset of another moment: the history keeps a run's end
// in the offset of its start, so the end is written with that one.
Json IsoMomentInOffsetOf(DateTime local, DateTime offsetMoment, Clock& clock);
// "YYYY-MM-DD" of a day number.
std::string IsoDate(std::int64_t day);

// The members every document begins with.
Json JsonDocument(const std::string& command, DateTime now, Clock& clock);

// The document as text: two-space indentation, UTF-8, ending with a line break.
std::string DumpJson(const Json& document);

}  // namespace brenvik::cli
