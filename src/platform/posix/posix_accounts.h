// Accounts on Linux: the owner of a process from /proc, names from the user
// database, and the host name as the domain (as a local Windows account's
// domain is the computer name).
#pragma once

#include "platform/accounts.h"

namespace brenvik {

class PosixAccounts : public Accounts {
 public:
  std::optional<AccountName> ProcessOwner(std::uint32_t processId) override;
  AccountName CurrentUser() override;
};

}  // namespace brenvik
