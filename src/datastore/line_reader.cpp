#include "datastore/line_reader.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "datastore/diagnostic_log.h"
#include "records/date_format.h"
#include "records/text_helpers.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

constexpr const char* kReaderTitle = "function FetchNextEntry";

std::string_view TrimControls(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

template <class T>
bool ReadInteger(std::string_view s, T& value) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') {
    s.remove_prefix(1);
    if (!s.empty() && s.front() == '-') return false;
  }
  if (s.empty()) return false;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  return error == std::errc{} && end == s.data() + s.size();
}

bool Report(PassState& state, const std::string& description) {
  if (state.diagnostics != nullptr) {
    state.diagnostics->AddLogEntry(
        DateTimeToString(NowWholeSeconds(state.clock), AppFormatSettings()), kReaderTitle,
        description);
  }
  return false;
}

}  // namespace

bool ReadLogLine(PassState& state, const std::string& text, int& pos, TransactionLine& line) {
  if (static_cast<int>(text.size()) <= pos) return false;
  const std::string raw = TakeUntilIn(text, CharSet::LineBreaks(), pos);
  TakeWhileIn(text, CharSet::LineBreaks(), pos);
  if (raw.empty()) return false;

  std::vector<std::string_view> fields;
  std::string_view rest = raw;
  while (fields.size() < 6) {
    const std::size_t semicolon = rest.find(';');
    fields.push_back(rest.substr(0, semicolon));
    if (semicolon == std::string_view::npos) break;
    rest.remove_prefix(semicolon + 1);
  }
  fields.resize(6);

  std::string_view when = TrimControls(fields[0]);
  const std::size_t digit = when.find_first_of("0123456789");
  when = digit == std::string_view::npos ? std::string_view() : when.substr(digit);
  try {
    line.dateTime = StringToDateTime(std::string(when));
  } catch (const ConversionError&) {
    return Report(state, "StringToDateTime returned false, parameter was:" + std::string(when));
  }
  if (!ReadInteger(fields[1], line.offset)) {
    return Report(state, "Val returned <> 0 (sEvent), param was:" + std::string(fields[1]));
  }
  const std::size_t bar = fields[2].find('|');
  line.domain = bar == std::string_view::npos ? "" : std::string(fields[2].substr(0, bar));
  line.user = std::string(bar == std::string_view::npos ? fields[2] : fields[2].substr(bar + 1));
  if (!ReadInteger(fields[3], line.event)) {
    return Report(state, "Val returned <> 0 (sEvent), param was:" + std::string(fields[3]));
  }
  line.parameter = std::string(fields[4]);
  line.handle = 0;
  if (!fields[5].empty()) {
    std::int64_t handle = 0;
    if (!ReadInteger(fields[5], handle)) {
      return Report(state, "Val returned <> 0 (sHandle), param was:" + std::string(fields[5]));
    }
    line.handle = static_cast<std::uint32_t>(handle);
  }
  return true;
}

void AppendLineToTransactions(Table& transactions, const TransactionLine& line) {
  transactions.Append({line.dateTime, line.offset, line.event, line.domain, line.user,
                       static_cast<std::int64_t>(line.handle), line.parameter, "", ""});
}

}  // namespace brenvik
