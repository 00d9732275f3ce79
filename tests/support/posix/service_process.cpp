#include "support/posix/service_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "base/file_io.h"
#include "platform/posix/posix_service_pipe.h"
#include "support/failing_file_system.h"

namespace brenvik::test {
namespace {

pid_t Spawn(const std::string& executable, const std::vector<std::string>& args,
            const std::string& errorFile) {
  std::vector<std::string> all{executable};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that crashed
    if (!errorFile.empty()) {
      const int fd = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (fd >= 0) ::dup2(fd, STDERR_FILENO);
    }
    ::execv(executable.c_str(), argv.data());
    ::_exit(127);
  }
  return pid;
}

int StatusOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// A socket file that takes connections (not one left by a killed service).
bool Serving(const std::string& path) {
  const int fd = ConnectUnixSocket(path, false);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

ServiceProcess::ServiceProcess(const std::string& executable, const std::vector<std::string>& args,
                               const std::string& dataFolder)
    : errorFile_(dataFolder + "../service-stderr.txt") {
  test::NativeFiles().CreateFolders(dataFolder);
  pid_ = Spawn(executable, args, errorFile_);
  const std::string socket = dataFolder + kServicePipeName;
  for (int i = 0; i < 1000 && !ready_; ++i) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    ready_ = Serving(socket);
    if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

ServiceProcess::~ServiceProcess() {
  if (pid_ > 0) Stop(SIGKILL);
}

int ServiceProcess::Stop(int signal) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, signal);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  return StatusOf(status);
}

std::string ServiceProcess::Errors() const {
  try {
    return ReadFileBytes(errorFile_);
  } catch (...) {
    return {};
  }
}

int RunToEnd(const std::string& executable, const std::vector<std::string>& args) {
  const pid_t pid = Spawn(executable, args, {});
  int status = 0;
  ::waitpid(pid, &status, 0);
  return StatusOf(status);
}

}  // namespace brenvik::test
