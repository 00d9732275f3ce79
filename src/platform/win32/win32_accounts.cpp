#include "platform/win32/win32_accounts.h"

#include <windows.h>

#include <vector>

#include "platform/win32/win32_error.h"

namespace brenvik {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (handle_) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  HANDLE* put() { return &handle_; }

 private:
  HANDLE handle_;
};

std::optional<AccountName> AccountOfSid(PSID sid) {
  DWORD userLength = 0;
  DWORD domainLength = 0;
  SID_NAME_USE use;
  ::LookupAccountSidW(nullptr, sid, nullptr, &userLength, nullptr, &domainLength, &use);
  if (userLength == 0) return std::nullopt;
  std::vector<wchar_t> user(userLength + 1);
  std::vector<wchar_t> domain(domainLength + 1);
  userLength = static_cast<DWORD>(user.size());
  domainLength = static_cast<DWORD>(domain.size());
  if (!::LookupAccountSidW(nullptr, sid, user.data(), &userLength, domain.data(), &domainLength,
                           &use)) {
    return std::nullopt;
  }
  return AccountName{WideToUtf8(user.data(), user.size()),
                     WideToUtf8(domain.data(), domain.size())};
}

std::optional<AccountName> OwnerOfProcess(HANDLE process) {
  Handle token;
  if (!::OpenProcessToken(process, TOKEN_QUERY, token.put())) return std::nullopt;
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
    return std::nullopt;
  }
  return AccountOfSid(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

}  // namespace

std::optional<AccountName> Win32Accounts::ProcessOwner(std::uint32_t processId) {
  Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process.get()) return std::nullopt;
  return OwnerOfProcess(process.get());
}

AccountName Win32Accounts::CurrentUser() {
  return OwnerOfProcess(::GetCurrentProcess()).value_or(AccountName{});
}

}  // namespace brenvik
