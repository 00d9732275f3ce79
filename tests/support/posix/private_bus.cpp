#include "support/posix/private_bus.h"

#include <signal.h>

#include <cstdio>
#include <cstdlib>

namespace brenvik::test {
namespace {

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

PrivateBus::PrivateBus() {
  FILE* out =
      ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
  if (!out) return;
  char line[512];
  if (std::fgets(line, sizeof line, out)) address_ = Trimmed(line);
  if (std::fgets(line, sizeof line, out)) pid_ = std::atoi(line);
  ::pclose(out);
}

PrivateBus::~PrivateBus() {
  if (pid_ > 0) ::kill(pid_, SIGTERM);
}

bool PrivateBus::PrepareForSleep(bool sleeping) const {
  const std::string command = "dbus-send --bus='" + address_ +
                              "' --type=signal /org/freedesktop/login1 "
                              "org.freedesktop.login1.Manager.PrepareForSleep boolean:" +
                              (sleeping ? "true" : "false");
  return std::system(command.c_str()) == 0;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) {
    had_ = true;
    old_ = old;
  }
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (had_) {
    ::setenv(name_, old_.c_str(), 1);
  } else {
    ::unsetenv(name_);
  }
}

}  // namespace brenvik::test
