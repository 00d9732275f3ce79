#include "service_state.h"

#include <cstdlib>
#include <sstream>

#include "base/errors.h"
#include "base/file_io.h"

namespace brenvik::service {
namespace {

std::string Escape(const std::string& text) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    if (c == '%' || c == '\t' || c == '\r' || c == '\n') {
      out += '%';
      out += kHex[static_cast<unsigned char>(c) >> 4];
      out += kHex[static_cast<unsigned char>(c) & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<std::string> Fields(const std::string& value) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = value.find('\t', start);
    fields.push_back(Unescape(value.substr(start, tab - start)));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

bool ToNumber(const std::string& text, std::int64_t& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return *end == '\0';
}

void ParseProgram(const std::string& value, ServiceState& state) {
  const auto f = Fields(value);
  std::int64_t pid = 0, ticks = 0;
  if (f.size() != 5 || !ToNumber(f[0], pid) || !ToNumber(f[1], ticks)) return;
  state.programs.push_back(
      {static_cast<std::uint32_t>(pid), static_cast<std::uint64_t>(ticks), f[4], f[2], f[3]});
}

void ParseLogin(const std::string& value, ServiceState& state) {
  const auto f = Fields(value);
  std::int64_t active = 0, locked = 0, reported = 0, idleSince = 0, lastReport = 0;
  if (f.size() != 6 || !ToNumber(f[1], active) || !ToNumber(f[2], locked) ||
      !ToNumber(f[3], reported) || !ToNumber(f[5], lastReport)) {
    return;
  }
  LoginState login{f[0], active != 0, locked != 0, reported != 0, std::nullopt, lastReport};
  if (ToNumber(f[4], idleSince)) login.idleSinceUnix = idleSince;
  state.logins.push_back(login);
}

}  // namespace

std::string FormatServiceState(const ServiceState& state) {
  std::ostringstream out;
  out << "log-id=" << Escape(state.logId) << "\n"
      << "handed-over=" << state.handedOver << "\n"
      << "pending=" << (state.pending ? 1 : 0) << "\n"
      << "compact-id=" << Escape(state.compactId) << "\n"
      << "compact-cut=" << state.compactCut << "\n"
      << "boot-id=" << Escape(state.bootId) << "\n"
      << "run-open=" << (state.runOpen ? 1 : 0) << "\n";
  for (const TrackedProgram& p : state.programs) {
    out << "program=" << p.pid << '\t' << p.startTicks << '\t' << Escape(p.user) << '\t'
        << Escape(p.domain) << '\t' << Escape(p.path) << "\n";
  }
  for (const LoginState& l : state.logins) {
    out << "login=" << Escape(l.user) << '\t' << l.active << '\t' << l.locked << '\t' << l.reported
        << '\t' << (l.idleSinceUnix ? std::to_string(*l.idleSinceUnix) : "") << '\t'
        << l.lastIdleReportUnix << "\n";
  }
  for (const std::string& line : state.unwritten) out << "unwritten=" << Escape(line) << "\n";
  return out.str();
}

ServiceState ParseServiceState(const std::string& text) {
  ServiceState state;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    std::int64_t number = 0;
    if (key == "log-id") {
      state.logId = Unescape(value);
    } else if (key == "handed-over" && ToNumber(value, number) && number >= 0) {
      state.handedOver = static_cast<std::uint64_t>(number);
    } else if (key == "pending") {
      state.pending = value == "1";
    } else if (key == "compact-id") {
      state.compactId = Unescape(value);
    } else if (key == "compact-cut" && ToNumber(value, number) && number >= 0) {
      state.compactCut = static_cast<std::uint64_t>(number);
    } else if (key == "boot-id") {
      state.bootId = Unescape(value);
    } else if (key == "run-open") {
      state.runOpen = value == "1";
    } else if (key == "program") {
      ParseProgram(value, state);
    } else if (key == "login") {
      ParseLogin(value, state);
    } else if (key == "unwritten") {
      state.unwritten.push_back(Unescape(value));
    }
  }
  return state;
}

ServiceState LoadServiceState(const std::string& path) {
  if (!FileExists(path)) return {};
  try {
    return ParseServiceState(ReadFileBytes(path));
  } catch (const FileError&) {
    return {};
  }
}

void SaveServiceState(FileSystem& files, const std::string& path, const ServiceState& state) {
  WriteFileAtomic(files, path, FormatServiceState(state));
}

}  // namespace brenvik::service
