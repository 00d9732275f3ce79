// Account lookup: the user and domain that own a running process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brenvik {

struct AccountName {
  std::string user;
  std::string domain;
};

class Accounts {
 public:
  virtual ~Accounts() = default;
  // The owner of the process, or nothing when it does not exist or cannot be
  // asked.
  virtual std::optional<AccountName> ProcessOwner(std::uint32_t processId) = 0;
  // The user running this program.
  virtual AccountName CurrentUser() = 0;
};

}  // namespace brenvik
