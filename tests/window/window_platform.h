// The parts of the window tests' platform that differ between the systems,
// each the system's own real class: a registry of the test's own, and the
// service channel together with an in-process fake service that serves it.
// On Linux the registry is the text store inside the test's folder and the
// channel the socket in the data folder; on Windows the registry is the real
// one below a key of the test's own (removed with the registry object) and
// the channel a named pipe of the test's own, so that test programs running
// side by side never share a product key or a pipe.
#pragma once

#include <memory>
#include <string>

#include "platform/registry.h"
#include "platform/service_pipe.h"
#include "platform/single_instance.h"

#ifdef _WIN32
#include "support/win32/fake_service.h"
#else
#include "support/posix/fake_service.h"
#endif

namespace brenvik::test {

// folder: a temporary folder of the test's own (ends with a separator).
std::unique_ptr<Registry> MakeTestRegistry(const std::string& folder);

// The channel the window talks through (time-out timeoutMs) and a fake
// service serving it for the data tree dataFolder.
struct TestServiceChannel {
  std::unique_ptr<ServicePipe> pipe;
  std::unique_ptr<FakeService> service;
};
TestServiceChannel MakeTestServiceChannel(const std::string& dataFolder, int timeoutMs);

// The system's single-instance guard (markerFolder: where the Linux marker
// socket and lock live).
std::unique_ptr<SingleInstance> MakeSingleInstance(const std::string& markerFolder);

}  // namespace brenvik::test
