#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_service_pipe.h"
#include "platform/posix/posix_system.h"
#include "window_platform.h"

namespace brenvik::test {

std::unique_ptr<Registry> MakeTestRegistry(const std::string& folder) {
  return std::make_unique<PosixRegistry>(folder + "user/", folder + "machine/");
}

TestServiceChannel MakeTestServiceChannel(const std::string& dataFolder, int timeoutMs) {
  return {std::make_unique<PosixServicePipe>(timeoutMs), std::make_unique<FakeService>(dataFolder)};
}

std::unique_ptr<SingleInstance> MakeSingleInstance(const std::string& markerFolder) {
  return std::make_unique<PosixSingleInstance>(markerFolder);
}

}  // namespace brenvik::test
