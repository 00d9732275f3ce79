// The service stand-in run as its own process on a temporary data tree and
// driven through the window's own client code.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/service_link/service_channel.h"
#include "platform/posix/posix_service_pipe.h"
#include "support/failing_file_system.h"
#include "support/posix/private_bus.h"
#include "support/posix/sd_bus.h"
#include "support/posix/service_process.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

using test::ServiceProcess;

struct Line {
  std::string raw;
  std::string time;
  std::string offset;
  std::string account;  // domain|user
  int event = 0;
  std::string parameter;
  std::string handle;
};

std::vector<Line> ParseLines(std::string text) {
  if (text.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0) text.erase(0, kUtf8Bom.size());
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) {
      Line line;
      line.raw = text.substr(start, end - start);
      std::vector<std::string> f;
      std::size_t from = 0;
      while (true) {
        const std::size_t semicolon = line.raw.find(';', from);
        f.push_back(line.raw.substr(from, semicolon - from));
        if (semicolon == std::string::npos) break;
        from = semicolon + 1;
      }
      f.resize(6);
      line.time = f[0];
      line.offset = f[1];
      line.account = f[2];
      line.event = std::atoi(f[3].c_str());
      line.parameter = f[4];
      line.handle = f[5];
      lines.push_back(line);
    }
    start = end + 1;
  }
  return lines;
}

std::vector<int> Events(const std::vector<Line>& lines) {
  std::vector<int> events;
  for (const Line& line : lines) events.push_back(line.event);
  return events;
}

std::vector<std::string> Raw(const std::vector<Line>& lines) {
  std::vector<std::string> raw;
  for (const Line& line : lines) raw.push_back(line.raw);
  return raw;
}

bool WaitFor(const std::function<bool()>& done, int milliseconds = 8000) {
  for (int waited = 0; waited < milliseconds; waited += 20) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

std::string HostName() {
  char name[256] = {};
  ::gethostname(name, sizeof name - 1);
  return name;
}

std::string UserName() { return ::getpwuid(::geteuid())->pw_name; }

std::int64_t UnixSecondsOf(const std::string& logTime) {
  std::tm parts{};
  strptime(logTime.c_str(), "%Y-%m-%d %H:%M:%S", &parts);
  return static_cast<std::int64_t>(timegm(&parts));
}

std::int64_t BootTimeUnix() {
  std::ifstream in("/proc/stat");
  std::string key;
  std::int64_t value = 0;
  while (in >> key) {
    if (key == "btime" && in >> value) return value;
  }
  return 0;
}

// A data tree in a temporary folder with the service run on it.
class ServiceTree {
 public:
  explicit ServiceTree(std::string sub = {}) : root_(dir_.path() + sub) {
    test::NativeFiles().CreateFolders(root_);
  }
  std::string root() const { return root_; }
  std::string data() const { return root_ + "Data/"; }
  std::string settings() const { return root_ + "Settings/"; }
  const test::TempDir& dir() const { return dir_; }

  std::unique_ptr<ServiceProcess> Start(std::vector<std::string> args = {}) {
    args.insert(args.begin(), {"--root", root_, "--scan-interval", "100"});
    auto service = std::make_unique<ServiceProcess>(BRENVIK_SERVICE_PATH, args, data());
    EXPECT_TRUE(service->ready()) << service->Errors();
    return service;
  }

  std::vector<Line> Recorded() const {
    return FileExists(data() + "LogInformation.dat")
               ? ParseLines(ReadFileBytes(data() + "LogInformation.dat"))
               : std::vector<Line>{};
  }

  bool WaitForRecorded(const std::function<bool(const std::vector<Line>&)>& done,
                       int milliseconds = 8000) const {
    return WaitFor([&] { return done(Recorded()); }, milliseconds);
  }

  bool Send(std::uint8_t code) const {
    PosixServicePipe pipe;
    return SendServiceCommand(pipe, data(), code, "");
  }

  // Command 2 as the window's hand-over sends it; the file is taken away
  // afterwards as the window's processing does.
  std::vector<Line> HandOver() const {
    EXPECT_TRUE(Send(kCommandHandOverLines));
    const std::string file = data() + "CopyForMonitor.dat";
    EXPECT_TRUE(FileExists(file));
    if (!FileExists(file)) return {};
    const auto lines = ParseLines(ReadFileBytes(file));
    test::NativeFiles().RemoveFile(file);
    return lines;
  }

  void WriteWatchedList(const std::vector<std::string>& paths) const {
    std::string text;
    for (const std::string& path : paths) text += (text.empty() ? "" : "\r\n") + path;
    test::NativeFiles().CreateFolders(settings());
    WriteTextFileWithBom(test::NativeFiles(), settings() + "ProgrammsToWatch.ini", text);
  }

 private:
  test::TempDir dir_;
  std::string root_;
};

std::size_t CountEvent(const std::vector<Line>& lines, int event) {
  return static_cast<std::size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const Line& l) { return l.event == event; }));
}

// A copy of sleep under a name of its own, run as the watched program.
class WatchedTool {
 public:
  explicit WatchedTool(const std::string& folder) : path_(folder + "bin/Watched Tool") {
    test::NativeFiles().CreateFolders(folder + "bin");
    std::filesystem::copy_file("/bin/sleep", path_);
    ::chmod(path_.c_str(), 0755);
  }
  ~WatchedTool() { Stop(); }
  const std::string& path() const { return path_; }
  pid_t Start() {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      ::execl(path_.c_str(), path_.c_str(), "60", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid_;
  }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::string path_;
  pid_t pid_ = -1;
};

bool HasProgramLine(const std::vector<Line>& lines, int event, pid_t pid) {
  return std::any_of(lines.begin(), lines.end(), [&](const Line& l) {
    return l.event == event && l.handle == std::to_string(pid);
  });
}

// An X server for one test (Xvfb) on a display number of its own.
class LateDisplay {
 public:
  explicit LateDisplay(int number) : name_(":" + std::to_string(number)) {}
  ~LateDisplay() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  const std::string& name() const { return name_; }
  bool Start() {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execlp("Xvfb", "Xvfb", name_.c_str(), "-nolisten", "tcp", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid_ > 0;
  }

 private:
  std::string name_;
  pid_t pid_ = -1;
};

TEST(ServiceDaemon, ADisplayThatComesUpLaterIsPickedUp) {
  if (::system("command -v Xvfb >/dev/null") != 0) GTEST_SKIP() << "no Xvfb";
  LateDisplay display(90 + static_cast<int>(::getpid() % 500));
  const char* old = std::getenv("DISPLAY");
  const std::string oldDisplay = old ? old : "";
  ::setenv("DISPLAY", display.name().c_str(), 1);
  ServiceTree tree;
  auto service = tree.Start({"--probe-seconds", "1"});
  old ? ::setenv("DISPLAY", oldDisplay.c_str(), 1) : ::unsetenv("DISPLAY");
  ASSERT_TRUE(display.Start());
  bool pickedUp = false;
  for (int i = 0; i < 100 && !pickedUp; ++i) {
    ::usleep(100'000);
    pickedUp = service->Errors().find("now from") != std::string::npos;
  }
  EXPECT_TRUE(pickedUp) << service->Errors();
  EXPECT_NE(service->Errors().find("display's idle time"), std::string::npos) << service->Errors();
}

TEST(ServiceDaemon, ASleepEndsTheRunAndTheWakeStartsOneWithTheResumeMark) {
  test::PrivateBus bus;
  if (!bus.running()) GTEST_SKIP() << "no dbus-daemon";
  ServiceTree tree;
  std::unique_ptr<test::ServiceProcess> service;
  {
    test::ScopedEnv systemBus("DBUS_SYSTEM_BUS_ADDRESS", bus.address());
    service = tree.Start();
  }
  ASSERT_NE(service->Errors().find("suspend and resume noticed"), std::string::npos)
      << service->Errors();
  // Anyone may send signals on a system bus: only logind's count.
  ASSERT_TRUE(bus.PrepareForSleep(true));
  ::usleep(500'000);
  EXPECT_EQ(tree.Recorded().size(), 1u);
  test::SdBus sd;
  ASSERT_TRUE(sd.Load());
  void* logind = nullptr;
  {
    test::ScopedEnv sessionBus("DBUS_SESSION_BUS_ADDRESS", bus.address());
    ASSERT_GE(sd.openUser(&logind), 0);
  }
  ASSERT_GE(sd.requestName(logind, "org.freedesktop.login1", 0), 0);
  for (int sleeping : {1, 0}) {
    ASSERT_GE(sd.emitSignal(logind, "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                            "PrepareForSleep", "b", sleeping),
              0);
  }
  sd.flush(logind);
  std::vector<Line> lines;
  for (int i = 0; i < 50 && lines.size() < 3; ++i) {
    ::usleep(100'000);
    lines = tree.Recorded();
  }
  ASSERT_EQ(lines.size(), 3u) << service->Errors();
  EXPECT_EQ(lines[1].event, 2);
  EXPECT_EQ(lines[1].parameter, "pmWindowReceivedPCResume");
  EXPECT_EQ(lines[2].event, 1);
  EXPECT_EQ(lines[2].parameter, "pmWindowReceivedPCResume");
  sd.unref(logind);
}

TEST(ServiceDaemon, RecordsAStartLineThatLeadsBackToTheBootTime) {
  ServiceTree tree;
  auto service = tree.Start();
  const auto lines = tree.HandOver();
  ASSERT_EQ(lines.size(), 1u) << service->Errors();
  const Line& start = lines[0];
  EXPECT_EQ(start.event, 1);
  EXPECT_EQ(start.account, HostName() + "|" + UserName());
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  EXPECT_EQ(start.offset, std::to_string(local.tm_gmtoff));
  const std::int64_t written = UnixSecondsOf(start.time);
  EXPECT_LE(std::llabs(written - static_cast<std::int64_t>(now)), 5);
  // The window moves the start back by the handle: that is when this
  // computer booted.
  const std::int64_t bootedAt = written - std::atoll(start.handle.c_str());
  EXPECT_LE(std::llabs(bootedAt - BootTimeUnix()), 2) << start.raw;
  // One service per data tree.
  EXPECT_EQ(test::RunToEnd(BRENVIK_SERVICE_PATH, {"--root", tree.root()}), 2);
}

TEST(ServiceDaemon, HandsOverEveryLineExactlyOnceAcrossRestarts) {
  // A root longer than a socket address holds.
  std::string sub;
  while (sub.size() < 120) sub += "a-long-folder-name/";
  ServiceTree tree(sub);
  std::vector<Line> handed;
  auto take = [&] {
    const auto lines = tree.HandOver();
    handed.insert(handed.end(), lines.begin(), lines.end());
  };
  auto service = tree.Start({"--heartbeat", "1"});
  take();
  ASSERT_TRUE(tree.WaitForRecorded([](const auto& l) { return CountEvent(l, 8) >= 2; }));
  take();
  // Nothing new yet: an empty file, nothing repeated.
  take();
  service->Stop(SIGKILL);  // a crash
  service = tree.Start({"--heartbeat", "1", "--on-term", "exit"});
  ASSERT_TRUE(tree.WaitForRecorded([](const auto& l) { return CountEvent(l, 8) >= 4; }));
  take();
  EXPECT_EQ(service->Stop(SIGTERM), 0);
  service = tree.Start({"--heartbeat", "1"});
  take();

  service->Stop(SIGKILL);
  // Everything up to the last hand-over came exactly once, in order (a
  // heartbeat may have followed it).
  const auto recorded = tree.Recorded();
  ASSERT_GE(recorded.size(), handed.size());
  EXPECT_LE(recorded.size(), handed.size() + 1);
  EXPECT_EQ(Raw(handed), Raw({recorded.begin(), recorded.begin() + handed.size()}));
  // Both restarts were within this boot: the computer's run went on.
  EXPECT_EQ(CountEvent(recorded, 1), 1u);
  EXPECT_EQ(CountEvent(recorded, 2), 0u);
}

TEST(ServiceDaemon, AShutdownRecordsTheStopAndTheNextStartANewRun) {
  ServiceTree tree;
  auto service = tree.Start({"--on-term", "shutdown"});
  EXPECT_EQ(service->Stop(SIGTERM), 0);
  EXPECT_EQ(Events(tree.Recorded()), (std::vector<int>{1, 2}));
  service = tree.Start({"--on-term", "exit"});
  EXPECT_EQ(service->Stop(SIGTERM), 0);
  EXPECT_EQ(Events(tree.Recorded()), (std::vector<int>{1, 2, 1}));
}

TEST(ServiceDaemon, RecordsTheStartAndEndOfAWatchedProgram) {
  ServiceTree tree;
  WatchedTool tool(tree.dir().path());
  tree.WriteWatchedList({"/nowhere/missing.exe", tool.path(), "  "});
  auto service = tree.Start();
  const pid_t pid = tool.Start();
  ASSERT_TRUE(tree.WaitForRecorded([&](const auto& l) { return HasProgramLine(l, 3, pid); }))
      << service->Errors();
  tool.Stop();
  ASSERT_TRUE(tree.WaitForRecorded([&](const auto& l) { return HasProgramLine(l, 4, pid); }));

  const auto lines = tree.HandOver();
  ASSERT_EQ(Events(lines), (std::vector<int>{1, 3, 4}));
  for (const Line& line : {lines[1], lines[2]}) {
    EXPECT_EQ(line.parameter, tool.path());
    EXPECT_EQ(line.handle, std::to_string(pid));
    EXPECT_EQ(line.account, HostName() + "|" + UserName());
  }
}

TEST(ServiceDaemon, CommandThreePicksUpAChangedList) {
  ServiceTree tree;
  WatchedTool tool(tree.dir().path());
  const pid_t pid = tool.Start();
  auto service = tree.Start();  // no list at all
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(Events(tree.Recorded()), (std::vector<int>{1}));

  // The window writes paths in its own letter case.
  std::string shouted = tool.path();
  shouted.replace(shouted.find("Watched Tool"), 12, "WATCHED TOOL");
  tree.WriteWatchedList({shouted});
  ASSERT_TRUE(tree.Send(kCommandReloadWatchedPrograms));
  ASSERT_TRUE(tree.WaitForRecorded([&](const auto& l) { return HasProgramLine(l, 3, pid); }));
  EXPECT_EQ(tree.Recorded().back().parameter, shouted);

  tree.WriteWatchedList({});
  ASSERT_TRUE(tree.Send(kCommandReloadWatchedPrograms));
  ASSERT_TRUE(tree.WaitForRecorded([&](const auto& l) { return HasProgramLine(l, 4, pid); }));
}

TEST(ServiceDaemon, RefusesAPeerOfAnotherUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to run a client as a second user";
  ServiceTree tree;
  auto service = tree.Start();
  // Only the peer check stands between the other user and the service.
  ::chmod((tree.data() + kServicePipeName).c_str(), 0666);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    PosixServicePipe pipe;
    ::_exit(SendServiceCommand(pipe, tree.data(), kCommandHandOverLines, "") ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_FALSE(PathExists(tree.data() + "CopyForMonitor.dat"));
  EXPECT_EQ(tree.HandOver().size(), 1u);  // the owner is still served
}

TEST(ServiceDaemon, NoClientHoldsUpAnother) {
  ServiceTree tree;
  auto service = tree.Start({"--client-timeout", "3000"});
  const std::string socket = tree.data() + kServicePipeName;
  // One that connects and sends nothing, one that never half-closes, one
  // that sends its command and never reads the reply, one that gives up in
  // the middle of its message.
  const int silent = ConnectUnixSocket(socket, false);
  const int unfinished = ConnectUnixSocket(socket, false);
  ::send(unfinished, "2\0", 2, MSG_NOSIGNAL);
  const int deaf = ConnectUnixSocket(socket, false);
  ::send(deaf, "3\0;\0", 4, MSG_NOSIGNAL);
  ::shutdown(deaf, SHUT_WR);
  const int crashed = ConnectUnixSocket(socket, false);
  ::send(crashed, "2", 1, MSG_NOSIGNAL);
  ::close(crashed);
  ASSERT_GE(silent, 0);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(tree.HandOver().size(), 1u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  for (int fd : {silent, unfinished, deaf}) ::close(fd);
  EXPECT_TRUE(tree.Send(kCommandHandOverLines));
}

TEST(ServiceDaemon, MakesTheDataTreeAgainWhenItVanishes) {
  ServiceTree tree;
  auto service = tree.Start({"--heartbeat", "1"});
  EXPECT_EQ(tree.HandOver().size(), 1u);
  std::filesystem::remove_all(tree.root());
  ASSERT_TRUE(WaitFor([&] { return tree.Send(kCommandHandOverLines); })) << service->Errors();
  test::NativeFiles().RemoveFile(tree.data() + "CopyForMonitor.dat");
  const std::size_t before = CountEvent(tree.Recorded(), 8);
  ASSERT_TRUE(tree.WaitForRecorded([&](const auto& l) { return CountEvent(l, 8) > before; }));
  const auto lines = tree.HandOver();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(CountEvent(lines, 8), lines.size());
  EXPECT_TRUE(DirectoryExists(tree.settings()));
  EXPECT_TRUE(DirectoryExists(tree.data() + "Backup"));
}

TEST(ServiceDaemon, ReplaysAPreparedLogOnce) {
  ServiceTree tree;
  const std::string replay =
      tree.dir().Write("demo.log", std::string(kUtf8Bom) +
                                       "2013-04-30 07:00:00;7200;PC1|ann;1;;120\n"
                                       "2013-04-30 08:00:00;7200;PC1|ann;3;C:\\Apps\\x.exe;4242\n"
                                       "2013-04-30 09:00:00;7200;PC1|ann;4;C:\\Apps\\x.exe;4242");
  auto service = tree.Start({"--replay", replay});
  const auto lines = tree.HandOver();
  EXPECT_EQ(Raw(lines),
            (std::vector<std::string>{"2013-04-30 07:00:00;7200;PC1|ann;1;;120",
                                      "2013-04-30 08:00:00;7200;PC1|ann;3;C:\\Apps\\x.exe;4242",
                                      "2013-04-30 09:00:00;7200;PC1|ann;4;C:\\Apps\\x.exe;4242"}));
  EXPECT_TRUE(tree.HandOver().empty());
  service->Stop(SIGTERM);
  service = tree.Start({"--replay", replay});
  EXPECT_TRUE(tree.HandOver().empty());
  EXPECT_FALSE(PathExists(tree.data() + "LogInformation.dat"));
}

}  // namespace
}  // namespace brenvik
