// Runs the built brenvik-cli as a separate process over a data tree of its
// own: a temporary root with Data/ and Settings/, a registry store of its own
// (XDG_CONFIG_HOME), a fixed locale and time zone, and a fake service on the
// data folder's socket that hands over the activity-log lines a test
// prepares. BRENVIK_CLI_PATH is the program's path, set by the build.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/text_file.h"
#include "support/failing_file_system.h"
#include "support/posix/fake_service.h"
#include "support/temp_dir.h"

extern char** environ;

namespace brenvik::test {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// The program with the arguments given and the environment changed by env
// (an empty value removes the variable); standard input is empty.
inline CliResult RunCliProcess(const std::vector<std::string>& args,
                               const std::map<std::string, std::string>& env,
                               const std::string& scratchFolder) {
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    const std::string entry(*e);
    if (!env.count(entry.substr(0, entry.find('=')))) environment.push_back(entry);
  }
  for (const auto& [name, value] : env)
    if (!value.empty()) environment.push_back(name + "=" + value);
  std::vector<std::string> argv{BRENVIK_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());

  const auto pointers = [](std::vector<std::string>& texts) {
    std::vector<char*> p;
    for (std::string& t : texts) p.push_back(t.data());
    p.push_back(nullptr);
    return p;
  };
  std::vector<char*> argvP = pointers(argv);
  std::vector<char*> envP = pointers(environment);
  const std::string outFile = scratchFolder + "stdout.txt";
  const std::string errFile = scratchFolder + "stderr.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argvP[0], &actions, nullptr, argvP.data(), envP.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + argv[0]);
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
  }
  CliResult result;
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  result.out = ReadFileBytes(outFile);
  result.err = ReadFileBytes(errFile);
  return result;
}

// A data tree at root/ with its fake service, and the environment the
// program runs in there: UTC and the C locale unless a test changes them.
class CliTree {
 public:
  CliTree() {
    test::NativeFiles().CreateFolders(DataFolder() + "Backup");
    test::NativeFiles().CreateFolders(SettingsFolder());
    service_ = std::make_unique<FakeService>(DataFolder());
    env["XDG_CONFIG_HOME"] = dir_.path() + "config";
    env["TZ"] = "UTC";
    env["LC_ALL"] = "C";
  }

  std::string Root() const { return dir_.path() + "root/"; }
  std::string DataFolder() const { return Root() + "Data/"; }
  std::string SettingsFolder() const { return Root() + "Settings/"; }
  // A folder outside the tree for files a test writes or reads.
  std::string File(const std::string& name) const { return scratch_.path() + name; }
  FakeService& Service() { return *service_; }

  // brenvik-cli --root ROOT args...
  CliResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> all{"--root", Root()};
    all.insert(all.end(), args.begin(), args.end());
    return RunCliProcess(all, env, scratch_.path());
  }

  std::map<std::string, std::string> env;

 private:
  TempDir dir_;
  TempDir scratch_;
  std::unique_ptr<FakeService> service_;
};

}  // namespace brenvik::test
