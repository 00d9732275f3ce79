// The desktop's idle monitor over a private session bus, with the desktop
// played by the test: a fake org.freedesktop.ScreenSaver (or GNOME's idle
// monitor) answering through sd-bus, opened at run time as the service does.
#include "desktop_idle.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "support/posix/private_bus.h"
#include "support/posix/sd_bus.h"

namespace brenvik::service {
namespace {

using test::SdBus;

// A desktop whose idle monitor says the user has been idle for idleMs.
class FakeDesktop {
 public:
  FakeDesktop(SdBus& sd, bool gnome, std::uint64_t idleMs)
      : sd_(sd), gnome_(gnome), idleMs_(idleMs) {
    if (sd_.openUser(&bus_) < 0) return;
    const char* name = gnome ? "org.gnome.Mutter.IdleMonitor" : "org.freedesktop.ScreenSaver";
    if (sd_.requestName(bus_, name, 0) < 0 || sd_.addFilter(bus_, nullptr, &Answer, this) < 0)
      return;
    ready_ = true;
    thread_ = std::thread([this] {
      while (!stop_) {
        if (sd_.process(bus_, nullptr) > 0) continue;
        sd_.wait(bus_, 50'000);
      }
    });
  }
  ~FakeDesktop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (bus_) sd_.unref(bus_);
  }
  bool ready() const { return ready_; }

 private:
  static int Answer(void* message, void* self, void*) {
    auto* desktop = static_cast<FakeDesktop*>(self);
    SdBus& sd = desktop->sd_;
    if (desktop->gnome_ &&
        sd.isMethodCall(message, "org.gnome.Mutter.IdleMonitor", "GetIdletime") > 0) {
      sd.reply(message, "t", desktop->idleMs_);
      return 1;
    }
    if (!desktop->gnome_ &&
        sd.isMethodCall(message, "org.freedesktop.ScreenSaver", "GetSessionIdleTime") > 0) {
      sd.reply(message, "u", static_cast<std::uint32_t>(desktop->idleMs_ / 1000));
      return 1;
    }
    return 0;
  }

  SdBus& sd_;
  bool gnome_;
  std::uint64_t idleMs_;
  void* bus_ = nullptr;
  bool ready_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class DesktopIdleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!sd_.Load()) GTEST_SKIP() << "no libsystemd";
    if (!bus_.running()) GTEST_SKIP() << "no dbus-daemon";
    env_ = std::make_unique<test::ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", bus_.address());
  }
  SdBus sd_{};
  test::PrivateBus bus_;
  std::unique_ptr<test::ScopedEnv> env_;
};

TEST_F(DesktopIdleTest, TheFreedesktopScreenSaverGivesTheIdleTime) {
  EXPECT_EQ(DesktopIdle::Open(), nullptr);  // nothing on the bus answers yet
  FakeDesktop desktop(sd_, false, 420'000);
  ASSERT_TRUE(desktop.ready());
  auto idle = DesktopIdle::Open();
  ASSERT_NE(idle, nullptr);
  EXPECT_EQ(idle->IdleMilliseconds(), 420'000);
}

TEST_F(DesktopIdleTest, GnomesIdleMonitorStandsInWithMilliseconds) {
  FakeDesktop desktop(sd_, true, 1234);
  ASSERT_TRUE(desktop.ready());
  auto idle = DesktopIdle::Open();
  ASSERT_NE(idle, nullptr);
  EXPECT_EQ(idle->IdleMilliseconds(), 1234);
}

}  // namespace
}  // namespace brenvik::service
