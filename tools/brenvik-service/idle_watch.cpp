#include "idle_watch.h"

#include <algorithm>

namespace brenvik::service {
namespace {

// Input times read a moment apart may differ by the tick's resolution; a
// later last input by more than this is new input.
constexpr std::int64_t kJitterMs = 2000;

}  // namespace

IdleReport IdleWatch::Report(bool idle, std::int64_t ms) const {
  IdleReport report;
  report.session = session_;
  report.idle = idle;
  report.seconds = std::clamp<std::int64_t>(ms / 1000, idle ? 1 : 0, kMaxIdleSeconds);
  return report;
}

std::optional<IdleReport> IdleWatch::Poll(std::int64_t nowMs, std::int64_t idleMs) {
  idleMs = std::max<std::int64_t>(0, idleMs);
  const std::int64_t lastInputMs = nowMs - idleMs;
  if (idleSinceMs_ && lastInputMs > *idleSinceMs_ + kJitterMs) {
    // Input came: the period lasted until that input.
    const IdleReport end = Report(false, lastInputMs - *idleSinceMs_);
    idleSinceMs_.reset();
    return end;
  }
  if (undeliveredEnd_) {
    const IdleReport end = *undeliveredEnd_;
    undeliveredEnd_.reset();
    return end;
  }
  if (!idleSinceMs_) {
    if (idleMs < settings_.idleAfterMs) return std::nullopt;
    idleSinceMs_ = lastInputMs;
  } else if (nowMs - lastReportMs_ < settings_.reportEveryMs) {
    return std::nullopt;
  }
  lastReportMs_ = nowMs;
  return Report(true, nowMs - *idleSinceMs_);
}

void IdleWatch::Undelivered(const IdleReport& report) {
  if (!report.idle) {
    undeliveredEnd_ = report;
  } else if (idleSinceMs_) {
    lastReportMs_ = *idleSinceMs_ - settings_.reportEveryMs;  // due again at once
  }
}

}  // namespace brenvik::service
