#include "datastore/service_link/log_line_writer.h"

#include "records/text_helpers.h"

namespace brenvik {
namespace {

std::string Clean(std::string text, bool barAllowed) {
  for (char& c : text) {
    if (c == ';' || c == '\r' || c == '\n' || (!barAllowed && c == '|')) c = '_';
  }
  return text;
}

}  // namespace

std::string FormatLogDateTime(DateTime utc) {
  const DateTime whole = DropMilliseconds(utc);
  const DateParts date = DecodeDate(whole);
  const TimeParts time = DecodeTime(whole);
  return PadInt(date.year, 4, '0') + "-" + PadInt(date.month, 2, '0') + "-" +
         PadInt(date.day, 2, '0') + " " + PadInt(time.hour, 2, '0') + ":" +
         PadInt(time.minute, 2, '0') + ":" + PadInt(time.second, 2, '0');
}

std::string FormatLogLine(const LogLine& line) {
  std::string text = FormatLogDateTime(line.utc);
  text += ';' + std::to_string(line.offset);
  text += ';' + Clean(line.domain, false) + '|' + Clean(line.user, true);
  text += ';' + std::to_string(line.event);
  text += ';' + Clean(line.parameter, true);
  text += ';';
  if (line.handle) text += std::to_string(*line.handle);
  return text;
}

}  // namespace brenvik
