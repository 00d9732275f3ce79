// The idle agent's judgement, free of the system: fed at each poll with the
// time and the time since the user's last input, it says which report to
// send to the service. An idle period begins once the input has stopped for
// the threshold and is reported at once with its length so far, then again
// every reportEvery while it lasts; it ends at the next input, reported with
// its final length. A report the service did not take is offered again: the
// end of a period at the next poll (before anything newer), a running length
// at the next poll as well.
#pragma once

#include <cstdint>
#include <optional>

#include "idle_report.h"

namespace brenvik::service {

struct IdleWatchSettings {
  std::int64_t idleAfterMs = 300'000;
  std::int64_t reportEveryMs = 60'000;
};

class IdleWatch {
 public:
  IdleWatch(std::uint32_t session, IdleWatchSettings settings)
      : session_(session), settings_(settings) {}

  // nowMs: a steady clock; idleMs: how long ago the last input was. The
  // report to send now, if any.
  std::optional<IdleReport> Poll(std::int64_t nowMs, std::int64_t idleMs);
  // The report Poll gave could not be delivered.
  void Undelivered(const IdleReport& report);

  bool idle() const { return idleSinceMs_.has_value(); }

 private:
  IdleReport Report(bool idle, std::int64_t ms) const;

  std::uint32_t session_;
  IdleWatchSettings settings_;
  std::optional<std::int64_t> idleSinceMs_;  // the last input before the period
  std::int64_t lastReportMs_ = 0;
  std::optional<IdleReport> undeliveredEnd_;
};

}  // namespace brenvik::service
