// What makes the running copy findable while its main window exists, and
// what brings the system's power events to the window. On Linux the marker
// is a local socket named after the window class (MainWindowSocketPath in the
// temporary folder) that the start-up of a second copy connects to, and the
// power events are logind's PrepareForSleep signal where the system bus
// offers it. On Windows the marker is a hidden top-level window of class
// TfrmBrenvikMain, which also receives WM_POWERBROADCAST.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

namespace brenvik {

// Power event codes as WM_POWERBROADCAST numbers them.
inline constexpr int kPowerQuerySuspend = 0;
inline constexpr int kPowerQueryStandby = 1;
inline constexpr int kPowerSuspend = 4;
inline constexpr int kPowerResumeSuspend = 7;

class InstanceMarker : public QObject {
 public:
  // Handles a power event; returns whether a request is granted.
  using PowerHandler = std::function<bool(int code)>;

  // folder: where the Linux socket lives (the temporary folder).
  static std::unique_ptr<InstanceMarker> Create(const std::string& folder, PowerHandler onPower);
  ~InstanceMarker() override = default;

  // True while other processes can find this copy.
  virtual bool IsFindable() const = 0;
};

}  // namespace brenvik
