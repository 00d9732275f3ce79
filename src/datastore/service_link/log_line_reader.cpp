#include "datastore/service_link/log_line_reader.h"

#include <array>
#include <limits>

#include "base/errors.h"
#include "base/text_file.h"
#include "base/utf8.h"
#include "records/date_format.h"
#include "records/text_helpers.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

using Fields = std::array<std::string_view, 6>;

// Each field runs up to the next semicolon or the end of the line; missing
// fields are empty and whatever follows the sixth is ignored.
Fields SplitFields(std::string_view line) {
  Fields fields{};
  std::size_t start = 0;
  for (std::size_t i = 0; i < fields.size() && start <= line.size(); ++i) {
    std::size_t end = line.find(';', start);
    if (end == std::string_view::npos) end = line.size();
    fields[i] = line.substr(start, end - start);
    start = end + 1;
  }
  return fields;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Field 1 trimmed and, when it does not begin with a digit, cut in front of
// its first digit (which drops a byte-order mark or other noise).
std::string DateTimeText(std::string_view field) {
  std::string text = Trim(field);
  if (!text.empty() && !IsDigit(text.front())) {
    std::size_t first = 0;
    while (first < text.size() && !IsDigit(text[first])) ++first;
    text.erase(0, first);
  }
  return text;
}

// The conventional integer rule: leading spaces, at most one sign, then at
// least one decimal digit and nothing else, within the 64-bit range.
bool ReadInt64(std::string_view text, std::int64_t& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  const std::uint64_t limit =
      negative ? std::uint64_t{1} << 63 : std::uint64_t{std::numeric_limits<std::int64_t>::max()};
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
    const auto digit = static_cast<std::uint64_t>(text[i] - '0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  value =
      negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

bool ReadInt32(std::string_view text, std::int32_t& value) {
  std::int64_t wide = 0;
  if (!ReadInt64(text, wide) || wide < std::numeric_limits<std::int32_t>::min() ||
      wide > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  value = static_cast<std::int32_t>(wide);
  return true;
}

// Writes the diagnostic of a bad line and returns false for the caller.
bool Reject(const LineDiagnostics& diagnostics, const char* what, std::string_view field) {
  // A line can be a megabyte of noise; quoting all of it would push every
  // older entry out of the size-limited log.
  if (DiagnosticQuota* quota = diagnostics.quota) {
    if (quota->left == 0) {
      ++quota->withheld;
      return false;
    }
    --quota->left;
  }
  const std::string quoted = CutToChars(field, kDiagnosticQuoteLimit);
  diagnostics.log.AddLogEntry(DateTimeToString(diagnostics.clock.LocalNow(), AppFormatSettings()),
                              kFetchNextEntryTitle, what + quoted);
  return false;
}

bool ReadDateTime(const std::string& text, DateTime& value) {
  try {
    value = StringToDateTime(text);
    return true;
  } catch (const ConversionError&) {
    return false;
  }
}

}  // namespace

bool FetchNextEntry(std::string_view text, int& pos, LogLineEntry& entry,
                    const LineDiagnostics& diagnostics) {
  if (pos < 1) pos = 1;
  if (text.size() <= static_cast<std::size_t>(pos)) return false;
  // The line up to the next CR or LF, and pos past the run of breaks after
  // it; the line is copied only when its bytes need mending.
  const auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
  const auto start = static_cast<std::size_t>(pos - 1);
  std::size_t at = text.find('\n', start);
  if (at == std::string_view::npos) at = text.size();
  const std::size_t cr = text.substr(0, at).find('\r', start);
  if (cr != std::string_view::npos) at = cr;
  std::string_view line = text.substr(start, at - start);
  while (at < text.size() && isBreak(text[at])) ++at;
  pos = static_cast<int>(at) + 1;
  if (line.empty()) return false;
  std::string mended;
  if (!IsValidUtf8(line)) {
    mended = ToValidUtf8(line);
    line = mended;
  }

  const Fields fields = SplitFields(line);
  const std::string dateTime = DateTimeText(fields[0]);
  if (!ReadDateTime(dateTime, entry.dateTime)) {
    return Reject(diagnostics, kBadDateTimeDiagnostic, dateTime);
  }
  const std::size_t bar = fields[2].find('|');
  if (bar == std::string_view::npos) {
    entry.domain.clear();
    entry.user = fields[2];
  } else {
    entry.domain = fields[2].substr(0, bar);
    entry.user = fields[2].substr(bar + 1);
  }
  entry.parameter = fields[4];
  if (!ReadInt32(fields[1], entry.offset))
    return Reject(diagnostics, kBadEventDiagnostic, fields[1]);
  if (!ReadInt32(fields[3], entry.event))
    return Reject(diagnostics, kBadEventDiagnostic, fields[3]);
  entry.handle = 0;
  if (!fields[5].empty()) {
    std::int64_t handle = 0;
    if (!ReadInt64(fields[5], handle)) return Reject(diagnostics, kBadHandleDiagnostic, fields[5]);
    entry.handle = static_cast<std::uint32_t>(static_cast<std::uint64_t>(handle));
  }
  return true;
}

void NoteWithheldDiagnostics(const LineDiagnostics& diagnostics) {
  if (!diagnostics.quota || diagnostics.quota->withheld == 0) return;
  diagnostics.log.AddLogEntry(DateTimeToString(diagnostics.clock.LocalNow(), AppFormatSettings()),
                              kFetchNextEntryTitle,
                              kWithheldDiagnostics + std::to_string(diagnostics.quota->withheld));
  diagnostics.quota->withheld = 0;
}

void AppendTransaction(Cursor& transactions, DateTime dateTime, std::int32_t offset,
                       std::int32_t event, const std::string& domain, const std::string& user,
                       std::int64_t handle, const std::string& parameter) {
  transactions.Append({dateTime, offset, event, domain, user, handle, parameter, "", ""});
}

}  // namespace brenvik
