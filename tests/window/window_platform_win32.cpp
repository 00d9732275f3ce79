#include <windows.h>

#include <atomic>

#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_service_pipe.h"
#include "platform/win32/win32_single_instance.h"
#include "window_platform.h"

namespace brenvik::test {
namespace {

// Both roots of the program, kept below one key of the current user: the
// local machine's keys under <base>\Machine, the current user's under
// <base>\User. The whole tree goes when the registry object goes.
class RegistryBelowKey : public Registry {
 public:
  explicit RegistryBelowKey(std::string base) : base_(std::move(base)) {}
  ~RegistryBelowKey() override { real_.DeleteKey(RegistryRoot::CurrentUser, base_); }

  std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path,
                                       bool create) override {
    return real_.OpenKey(RegistryRoot::CurrentUser, Moved(root, path), create);
  }
  bool KeyExists(RegistryRoot root, const std::string& path) override {
    return real_.KeyExists(RegistryRoot::CurrentUser, Moved(root, path));
  }
  bool DeleteKey(RegistryRoot root, const std::string& path) override {
    return real_.DeleteKey(RegistryRoot::CurrentUser, Moved(root, path));
  }

 private:
  std::string Moved(RegistryRoot root, const std::string& path) const {
    const char* rootName = root == RegistryRoot::LocalMachine ? "\\Machine" : "\\User";
    return base_ + rootName + (path.empty() || path[0] == '\\' ? "" : "\\") + path;
  }

  Win32Registry real_;
  std::string base_;
};

}  // namespace

std::unique_ptr<Registry> MakeTestRegistry(const std::string&) {
  static std::atomic<unsigned> counter{0};
  return std::make_unique<RegistryBelowKey>(
      "\\Software\\Taveron\\BrenvikWindowTests\\" + std::to_string(::GetCurrentProcessId()) + "-" +
      std::to_string(::GetTickCount()) + "-" + std::to_string(++counter));
}

TestServiceChannel MakeTestServiceChannel(const std::string& dataFolder, int timeoutMs) {
  const std::string name = UniqueTestPipeName();
  return {std::make_unique<Win32ServicePipe>(name, timeoutMs),
          std::make_unique<FakeService>(dataFolder, name)};
}

std::unique_ptr<SingleInstance> MakeSingleInstance(const std::string&) {
  return std::make_unique<Win32SingleInstance>();
}

}  // namespace brenvik::test
