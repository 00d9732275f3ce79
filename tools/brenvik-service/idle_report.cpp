#include "idle_report.h"

namespace brenvik::service {
namespace {

constexpr const char* kIdle = "idle";
constexpr const char* kActive = "active";

// A decimal number of at most 10 digits in [0, high].
std::optional<std::int64_t> Number(const std::string& text, std::int64_t high) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > high) return std::nullopt;
  return value;
}

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t semicolon = text.find(';', start);
    fields.push_back(text.substr(start, semicolon - start));
    if (semicolon == std::string::npos) return fields;
    start = semicolon + 1;
  }
}

}  // namespace

std::string FormatIdleReport(const IdleReport& report) {
  return std::to_string(report.session) + ';' + (report.idle ? kIdle : kActive) + ';' +
         std::to_string(report.seconds);
}

std::optional<IdleReport> ParseIdleReport(const std::string& param) {
  const std::vector<std::string> fields = Fields(param);
  if (fields.size() != 3) return std::nullopt;
  const auto session = Number(fields[0], 0xFFFFFFFFLL);
  const auto seconds = Number(fields[2], kMaxIdleSeconds);
  if (!session || !seconds) return std::nullopt;
  IdleReport report;
  report.session = static_cast<std::uint32_t>(*session);
  report.seconds = *seconds;
  if (fields[1] == kIdle) {
    report.idle = true;
    if (report.seconds == 0) return std::nullopt;  // 0 would say the user is back
  } else if (fields[1] != kActive) {
    return std::nullopt;
  }
  return report;
}

std::optional<std::string> IdleReportRefusal(const IdleReport& report,
                                             const CommandClient& client) {
  if (!client.session) return "the client's session is not known";
  if (*client.session == 0) return "a client in session 0 has no user's input to report";
  if (*client.session != report.session) {
    return "a client in session " + std::to_string(*client.session) + " reported for session " +
           std::to_string(report.session);
  }
  return std::nullopt;
}

std::vector<std::string> IdleLineParameters(const IdleReport& report) {
  if (report.idle) return {std::to_string(report.seconds)};
  if (report.seconds == 0) return {"0"};
  return {std::to_string(report.seconds), "0"};
}

bool IdleReportGate::Admit(std::uint32_t session, std::int64_t nowMs) {
  const auto last = lastMs_.find(session);
  if (last != lastMs_.end() && nowMs - last->second < kMinReportGapMs && nowMs >= last->second) {
    return false;
  }
  lastMs_[session] = nowMs;
  return true;
}

}  // namespace brenvik::service
