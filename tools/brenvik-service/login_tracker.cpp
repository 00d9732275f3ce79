#include "login_tracker.h"

#include <algorithm>

#include "datastore/service_link/event_codes.h"

namespace brenvik::service {
namespace {

constexpr std::int64_t kIdleJitterSeconds = 2;

std::map<std::string, LoginState> ByUser(const std::vector<SeatSession>& sessions) {
  std::map<std::string, LoginState> users;
  for (const SeatSession& session : sessions) {
    LoginState& state = users[session.user];
    state.user = session.user;
    if (!session.active) continue;
    state.locked = session.locked;
    state.active = !session.locked;
    if (state.active && session.idleSinceUnix) state.idleSinceUnix = session.idleSinceUnix;
  }
  return users;
}

std::string IdleSeconds(std::int64_t since, std::int64_t now) {
  return std::to_string(std::max<std::int64_t>(1, now - since));
}

}  // namespace

std::vector<LoginEvent> LoginTracker::Update(const std::vector<SeatSession>& sessions,
                                             std::int64_t nowUnix) {
  const std::map<std::string, LoginState> now = ByUser(sessions);
  std::vector<LoginEvent> events;
  for (auto it = users_.begin(); it != users_.end();) {
    if (now.count(it->first)) {
      ++it;
      continue;
    }
    if (it->second.reported) events.push_back({kEventLoginInactive, it->first, "0"});
    it = users_.erase(it);
  }
  for (const auto& [user, state] : now) {
    LoginState fresh;
    fresh.user = user;
    auto it = users_.emplace(user, fresh).first;
    Compare(it->second, state, nowUnix, events);
  }
  return events;
}

void LoginTracker::Compare(LoginState& before, const LoginState& now, std::int64_t nowUnix,
                           std::vector<LoginEvent>& events) {
  if (before.active && !now.active) {
    events.push_back({kEventLoginInactive, now.user, now.locked ? "2" : "1"});
    before.idleSinceUnix.reset();
  } else if (!before.active && now.active) {
    events.push_back({kEventLoginActive, now.user, before.locked ? "0" : "1"});
    before.reported = true;
  }
  if (now.active) ReportIdle(before, now, nowUnix, events);
  before.active = now.active;
  before.locked = now.locked;
}

void LoginTracker::ReportIdle(LoginState& before, const LoginState& now, std::int64_t nowUnix,
                              std::vector<LoginEvent>& events) {
  // A start more than a couple of seconds later is a new idle period (the
  // user was back in between); smaller moves are the jitter of polling.
  const bool periodEnded =
      before.idleSinceUnix &&
      (!now.idleSinceUnix || *now.idleSinceUnix > *before.idleSinceUnix + kIdleJitterSeconds);
  if (periodEnded) {
    // The final length first: the monitor counts the last length reported.
    const std::int64_t end = now.idleSinceUnix ? *now.idleSinceUnix : nowUnix;
    events.push_back({kEventIdle, now.user, IdleSeconds(*before.idleSinceUnix, end)});
    events.push_back({kEventIdle, now.user, "0"});
    before.idleSinceUnix.reset();
  }
  if (!now.idleSinceUnix) return;
  const bool fresh = !before.idleSinceUnix;
  if (fresh) before.idleSinceUnix = now.idleSinceUnix;
  if (fresh || nowUnix - before.lastIdleReportUnix >= reportEvery_) {
    events.push_back({kEventIdle, now.user, IdleSeconds(*before.idleSinceUnix, nowUnix)});
    before.lastIdleReportUnix = nowUnix;
  }
}

std::vector<LoginState> LoginTracker::States() const {
  std::vector<LoginState> states;
  for (const auto& [user, state] : users_) states.push_back(state);
  return states;
}

void LoginTracker::Restore(const std::vector<LoginState>& states) {
  users_.clear();
  for (const LoginState& state : states) users_[state.user] = state;
}

}  // namespace brenvik::service
