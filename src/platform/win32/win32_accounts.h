// Accounts on Windows: the owner of a process is the user of its access token
// (OpenProcess, OpenProcessToken, GetTokenInformation with TokenUser), named
// by LookupAccountSidW as user and domain.
#pragma once

#include "platform/accounts.h"

namespace brenvik {

class Win32Accounts : public Accounts {
 public:
  std::optional<AccountName> ProcessOwner(std::uint32_t processId) override;
  // Empty user and domain when this process's account cannot be looked up.
  AccountName CurrentUser() override;
};

}  // namespace brenvik
