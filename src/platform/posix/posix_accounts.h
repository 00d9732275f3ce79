// Accounts on Linux: the owner of a process from /proc, names from the user
// database, and the host name as the domain (as a local Windows account's
// domain is the computer name).
#pragma once

#include <sys/types.h>

#include "platform/accounts.h"

namespace brenvik {

// The name of a user id in the user database; the id in decimal when it has
// none.
std::string UserNameOf(uid_t uid);

class PosixAccounts : public Accounts {
 public:
  std::optional<AccountName> ProcessOwner(std::uint32_t processId) override;
  AccountName CurrentUser() override;
};

}  // namespace brenvik
