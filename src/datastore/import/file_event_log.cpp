#include "datastore/import/file_event_log.h"

#include <charconv>
#include <cstdio>

#include "base/errors.h"
#include "base/file_io.h"
#include "records/date_time.h"

namespace brenvik {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kTimeShape = "dddd-dd-dd dd:dd:dd";

bool ReadNumber(std::string_view digits, int& value) {
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return error == std::errc{} && end == digits.data() + digits.size();
}

std::optional<DateTime> ReadTime(std::string_view text) {
  if (text.size() != kTimeShape.size()) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kTimeShape[i] == 'd' ? !digit : text[i] != kTimeShape[i]) return std::nullopt;
  }
  int parts[6] = {};
  const std::size_t at[6] = {0, 5, 8, 11, 14, 17};
  const std::size_t width[6] = {4, 2, 2, 2, 2, 2};
  for (int i = 0; i < 6; ++i) {
    if (!ReadNumber(text.substr(at[i], width[i]), parts[i])) return std::nullopt;
  }
  if (!IsValidDate(parts[0], parts[1], parts[2]) || !IsValidTime(parts[3], parts[4], parts[5], 0)) {
    return std::nullopt;
  }
  return EncodeDateTime(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]);
}

std::optional<std::uint32_t> ReadId(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The next field up to a semicolon (the rest of the line when there is none).
std::string_view TakeField(std::string_view& rest, bool& hadSeparator) {
  const std::size_t semicolon = rest.find(';');
  hadSeparator = semicolon != std::string_view::npos;
  const std::string_view field = rest.substr(0, semicolon);
  rest = hadSeparator ? rest.substr(semicolon + 1) : std::string_view();
  return field;
}

}  // namespace

std::optional<EventLogRecord> ParseEventLogLine(EventLogName log, std::string_view line) {
  if (line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  bool more = false;
  const auto time = ReadTime(TakeField(line, more));
  if (!time || !more) return std::nullopt;
  EventLogRecord record;
  record.timeGenerated = *time;
  const auto id = ReadId(TakeField(line, more));
  if (!id) return std::nullopt;
  record.eventId = *id;
  if (log == EventLogName::System) {
    if (more) return std::nullopt;
    record.source = "EventLog";
    return record;
  }
  if (!more) return std::nullopt;
  record.source = std::string(TakeField(line, more));
  if (!more) return std::nullopt;
  record.computer = std::string(TakeField(line, more));
  if (!more) return std::nullopt;
  record.strings.emplace_back(line);
  return record;
}

std::vector<EventLogRecord> ParseEventLogText(EventLogName log, std::string_view text) {
  std::vector<EventLogRecord> records;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (auto record = ParseEventLogLine(log, line)) {
      record->recordNumber = static_cast<std::uint32_t>(records.size() + 1);
      records.push_back(std::move(*record));
    }
  }
  return records;
}

std::string FormatEventLogLine(EventLogName log, const EventLogRecord& record) {
  const DateParts date = DecodeDate(record.timeGenerated);
  const TimeParts time = DecodeTime(record.timeGenerated);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", date.year, date.month,
                date.day, time.hour, time.minute, time.second);
  std::string line = std::string(stamp) + ";" + std::to_string(record.eventId);
  if (log == EventLogName::Application) {
    line += ";" + record.source + ";" + record.computer + ";";
    for (const std::string& part : record.strings) line += part;
  }
  return line;
}

void FileEventLog::SetFile(EventLogName log, std::string path) {
  (log == EventLogName::System ? systemFile_ : applicationFile_) = std::move(path);
}

std::vector<EventLogRecord> FileEventLog::ReadAll(EventLogName log) {
  const std::optional<std::string>& file =
      log == EventLogName::System ? systemFile_ : applicationFile_;
  if (!file) return fallback_ ? fallback_->ReadAll(log) : std::vector<EventLogRecord>{};
  std::string bytes;
  try {
    bytes = ReadFileBytes(*file);
  } catch (const FileError& error) {
    throw PlatformError("Cannot read the event log \"" + *file + "\": " + error.what());
  }
  return ParseEventLogText(log, bytes);
}

}  // namespace brenvik
