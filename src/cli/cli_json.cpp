#include "cli/cli_json.h"

#include <cstdio>
#include <cstdlib>

#include "records/time_arithmetic.h"

namespace brenvik::cli {
namespace {

std::int32_t SignedSecondsBetween(DateTime later, DateTime earlier) {
  return static_cast<std::int32_t>((ToLinearMs(later) - ToLinearMs(earlier)) / 1000);
}

std::string Two(int value) {
  value = std::abs(value) % 100;
  return {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

std::string OffsetText(std::int32_t offset) {
  const char sign = offset < 0 ? '-' : '+';
  const int minutes = std::abs(offset) / 60;
  return sign + Two(minutes / 60) + ":" + Two(minutes % 60);
}

bool IsUnset(DateTime moment) {
  return CompareMoments(moment, NullDate) == 0 || CompareMoments(moment, ZeroDateTime) == 0;
}

}  // namespace

std::int32_t UtcOffsetAtLocal(DateTime local, Clock& clock) {
  // The offset of now is a first guess; the offset at the UTC moment that
  // guess gives is right unless a clock change lies between, which a second
  // round settles.
  std::int32_t offset = clock.UtcOffsetSeconds();
  for (int round = 0; round < 2; ++round) {
    const DateTime utc = AddSeconds(local, -offset);
    offset = SignedSecondsBetween(clock.UtcToLocal(utc), utc);
  }
  return offset;
}

std::string IsoDate(std::int64_t day) {
  const DateParts d = DecodeDate(ComposeDateTime(day, 0));
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year % 10000, d.month, d.day);
  return text;
}

Json IsoMomentInOffsetOf(DateTime local, DateTime offsetMoment, Clock& clock) {
  if (IsUnset(local)) return nullptr;
  const DateTime moment = DropMilliseconds(local);
  const TimeParts t = DecodeTime(moment);
  const DateTime zoneMoment = IsUnset(offsetMoment) ? moment : offsetMoment;
  return IsoDate(SplitDateTime(moment).day) + "T" + Two(t.hour) + ":" + Two(t.minute) + ":" +
         Two(t.second) + OffsetText(UtcOffsetAtLocal(zoneMoment, clock));
}

Json IsoMoment(DateTime local, Clock& clock) { return IsoMomentInOffsetOf(local, local, clock); }

Json JsonDocument(const std::string& command, DateTime now, Clock& clock) {
  Json document;
  document["format"] = "brenvik-cli";
  document["version"] = kJsonVersion;
  document["command"] = command;
  document["created"] = IsoMoment(now, clock);
  return document;
}

std::string DumpJson(const Json& document) {
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace brenvik::cli
