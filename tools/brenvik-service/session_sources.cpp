#include "session_sources.h"

#include <dlfcn.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "desktop_idle.h"
#include "platform/posix/posix_accounts.h"
#include "platform/posix/posix_clock.h"

namespace brenvik::service {
namespace {

// The part of sd_bus_error that callers allocate.
struct BusError {
  const char* name = nullptr;
  const char* message = nullptr;
  int needFree = 0;
};

// The functions of libsystemd that are used, looked up once.
struct SystemdApi {
  int (*booted)();
  int (*getSessions)(char***);
  int (*sessionIsActive)(const char*);
  int (*sessionGetUid)(const char*, uid_t*);
  int (*sessionGetSeat)(const char*, char**);
  int (*sessionGetClass)(const char*, char**);
  int (*sessionGetState)(const char*, char**);
  int (*busOpenSystem)(void**);
  int (*busSetTimeout)(void*, std::uint64_t);
  int (*busGetPropertyTrivial)(void*, const char*, const char*, const char*, const char*, BusError*,
                               char, void*);
  int (*busPathEncode)(const char*, const char*, char**);
  void (*busErrorFree)(BusError*);
  void* (*busUnref)(void*);

  bool Load(void* lib) {
    return Get(lib, "sd_booted", booted) && Get(lib, "sd_get_sessions", getSessions) &&
           Get(lib, "sd_session_is_active", sessionIsActive) &&
           Get(lib, "sd_session_get_uid", sessionGetUid) &&
           Get(lib, "sd_session_get_seat", sessionGetSeat) &&
           Get(lib, "sd_session_get_class", sessionGetClass) &&
           Get(lib, "sd_session_get_state", sessionGetState) &&
           Get(lib, "sd_bus_open_system", busOpenSystem) &&
           Get(lib, "sd_bus_set_method_call_timeout", busSetTimeout) &&
           Get(lib, "sd_bus_get_property_trivial", busGetPropertyTrivial) &&
           Get(lib, "sd_bus_path_encode", busPathEncode) &&
           Get(lib, "sd_bus_error_free", busErrorFree) &&
           Get(lib, "sd_bus_flush_close_unref", busUnref);
  }

  template <typename F>
  static bool Get(void* lib, const char* name, F& function) {
    function = reinterpret_cast<F>(dlsym(lib, name));
    return function != nullptr;
  }
};

// A text that libsystemd allocated, freed when it goes out of scope.
struct OwnedText {
  char* text = nullptr;
  ~OwnedText() { std::free(text); }
  std::string value() const { return text ? text : ""; }
};

class LogindSessions : public SessionSource {
 public:
  explicit LogindSessions(const SystemdApi& api) : api_(api) {}
  ~LogindSessions() override {
    if (bus_) api_.busUnref(bus_);
  }

  std::optional<std::vector<SeatSession>> Sessions(std::int64_t nowUnix) override {
    char** ids = nullptr;
    const int count = api_.getSessions(&ids);
    if (count < 0) return std::nullopt;
    std::vector<SeatSession> sessions;
    for (int i = 0; i < count; ++i) {
      if (auto session = Read(ids[i], nowUnix)) sessions.push_back(std::move(*session));
      std::free(ids[i]);
    }
    std::free(ids);
    return sessions;
  }

 private:
  // A user session on a seat that is not closing; nothing otherwise.
  std::optional<SeatSession> Read(const char* id, std::int64_t nowUnix) {
    OwnedText seat, sessionClass, state;
    uid_t uid = 0;
    if (api_.sessionGetSeat(id, &seat.text) < 0 || seat.value().empty()) return std::nullopt;
    if (api_.sessionGetClass(id, &sessionClass.text) < 0 || sessionClass.value() != "user") {
      return std::nullopt;
    }
    if (api_.sessionGetState(id, &state.text) >= 0 && state.value() == "closing") {
      return std::nullopt;
    }
    if (api_.sessionGetUid(id, &uid) < 0) return std::nullopt;
    SeatSession session;
    session.id = id;
    session.user = UserNameOf(uid);
    session.active = api_.sessionIsActive(id) > 0;
    if (session.active) ReadHints(id, session, nowUnix);
    return session;
  }

  // Idle and lock hints over the system bus; left unset when the bus does not
  // answer (tried again a minute later).
  void ReadHints(const char* id, SeatSession& session, std::int64_t nowUnix) {
    if (!bus_ && nowUnix - lastBusAttempt_ >= 60) {
      lastBusAttempt_ = nowUnix;
      if (api_.busOpenSystem(&bus_) < 0) bus_ = nullptr;
      if (bus_) api_.busSetTimeout(bus_, 250'000);
    }
    if (!bus_) return;
    OwnedText path;
    if (api_.busPathEncode("/org/freedesktop/login1/session", id, &path.text) < 0) return;
    int idle = 0, locked = 0;
    std::uint64_t idleSinceUs = 0;
    if (!Property(path.text, "IdleHint", 'b', &idle)) return;
    if (Property(path.text, "LockedHint", 'b', &locked)) session.locked = locked != 0;
    if (idle && Property(path.text, "IdleSinceHint", 't', &idleSinceUs) && idleSinceUs > 0) {
      session.idleSinceUnix = static_cast<std::int64_t>(idleSinceUs / 1'000'000);
    }
  }

  bool Property(const char* path, const char* name, char type, void* value) {
    BusError error;
    const int result =
        api_.busGetPropertyTrivial(bus_, "org.freedesktop.login1", path,
                                   "org.freedesktop.login1.Session", name, &error, type, value);
    api_.busErrorFree(&error);
    if (result >= 0) return true;
    if (result == -ENOTCONN || result == -ECONNRESET) {
      api_.busUnref(bus_);
      bus_ = nullptr;
    }
    return false;
  }

  SystemdApi api_;
  void* bus_ = nullptr;
  std::int64_t lastBusAttempt_ = -1'000'000;
};

// The user's one session with the idle time of the display, or of the
// desktop's idle monitor where the display has no screen-saver extension.
class DisplaySession : public SessionSource {
 public:
  DisplaySession(std::string user, std::int64_t idleAfter,
                 std::unique_ptr<DesktopIdle> desktop = {})
      : user_(std::move(user)), idleAfter_(idleAfter), desktop_(std::move(desktop)) {}

  std::optional<std::vector<SeatSession>> Sessions(std::int64_t nowUnix) override {
    const std::optional<std::int64_t> idleMs =
        desktop_ ? desktop_->IdleMilliseconds()
                 : std::optional<std::int64_t>(DisplayIdleMilliseconds());
    if (!idleMs) return std::nullopt;
    SeatSession session{"display", user_, true, false, std::nullopt};
    const std::int64_t idle = *idleMs / 1000;
    if (idle >= idleAfter_) session.idleSinceUnix = nowUnix - idle;
    return std::vector<SeatSession>{session};
  }

 private:
  std::string user_;
  std::int64_t idleAfter_;
  std::unique_ptr<DesktopIdle> desktop_;
};

// logind for the sessions; the display's idle time for the user's own active
// session when logind gives no idle hint for it.
class CombinedSessions : public SessionSource {
 public:
  CombinedSessions(std::unique_ptr<SessionSource> logind, std::unique_ptr<SessionSource> display,
                   std::string user)
      : logind_(std::move(logind)), display_(std::move(display)), user_(std::move(user)) {}

  std::optional<std::vector<SeatSession>> Sessions(std::int64_t nowUnix) override {
    auto sessions = logind_->Sessions(nowUnix);
    if (!sessions) return sessions;
    const auto display = display_->Sessions(nowUnix);
    if (!display || !display->front().idleSinceUnix) return sessions;
    for (SeatSession& session : *sessions) {
      if (session.user == user_ && session.active && !session.idleSinceUnix) {
        session.idleSinceUnix = display->front().idleSinceUnix;
      }
    }
    return sessions;
  }

 private:
  std::unique_ptr<SessionSource> logind_;
  std::unique_ptr<SessionSource> display_;
  std::string user_;
};

}  // namespace

std::unique_ptr<SessionSource> OpenLogindSessions() {
  void* lib = dlopen("libsystemd.so.0", RTLD_LAZY);
  if (!lib) return nullptr;
  SystemdApi api{};
  if (!api.Load(lib) || api.booted() <= 0) return nullptr;
  char** ids = nullptr;
  const int count = api.getSessions(&ids);
  for (int i = 0; i < count; ++i) std::free(ids[i]);
  std::free(ids);
  if (count < 0) return nullptr;
  return std::make_unique<LogindSessions>(api);
}

std::unique_ptr<SessionSource> OpenDisplaySession(const std::string& user,
                                                  std::int64_t idleAfterSeconds) {
  if (DisplayIdleMilliseconds()) return std::make_unique<DisplaySession>(user, idleAfterSeconds);
  auto desktop = DesktopIdle::Open();
  if (!desktop) return nullptr;
  return std::make_unique<DisplaySession>(user, idleAfterSeconds, std::move(desktop));
}

std::unique_ptr<SessionSource> OpenSessionSources(const std::string& user,
                                                  std::int64_t idleAfterSeconds,
                                                  std::string& description, bool* complete) {
  auto logind = OpenLogindSessions();
  auto display = OpenDisplaySession(user, idleAfterSeconds);
  if (complete) *complete = logind && display;
  if (logind && display) {
    description = "logind sessions and the display's idle time";
    return std::make_unique<CombinedSessions>(std::move(logind), std::move(display), user);
  }
  if (logind) {
    description = "logind sessions";
    return logind;
  }
  if (display) {
    description = "the display's idle time (no logind)";
    return display;
  }
  description = "nowhere here (no logind, no display): no login or idle lines";
  return nullptr;
}

}  // namespace brenvik::service
