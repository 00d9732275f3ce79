#include "platform/posix/posix_accounts.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace brenvik {
namespace {

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace

std::string UserNameOf(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
    return found->pw_name;
  }
  return std::to_string(uid);
}

std::optional<AccountName> PosixAccounts::ProcessOwner(std::uint32_t processId) {
  struct stat info;
  const std::string path = "/proc/" + std::to_string(processId);
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return AccountName{UserNameOf(info.st_uid), HostName()};
}

AccountName PosixAccounts::CurrentUser() { return AccountName{UserNameOf(::getuid()), HostName()}; }

}  // namespace brenvik
