#include "process_scan.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace brenvik::service {
namespace {

bool IsProcessId(const char* name) {
  if (!*name) return false;
  for (const char* p = name; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

std::string ReadLink(const std::string& path) {
  std::string buffer(4096, '\0');
  const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
  buffer.resize(static_cast<std::size_t>(n));
  return buffer;
}

}  // namespace

std::string ExecutableFromLink(std::string target) {
  static const std::string kDeleted = " (deleted)";
  if (target.size() > kDeleted.size() &&
      target.compare(target.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0) {
    target.resize(target.size() - kDeleted.size());
  }
  return target;
}

std::uint64_t StartTicksFromStat(const std::string& statLine) {
  const std::size_t close = statLine.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(statLine.substr(close + 1));
  std::string field;
  // After the name come field 3 (state) onwards; the start time is field 22.
  for (int i = 3; i < 22; ++i) rest >> field;
  std::uint64_t ticks = 0;
  rest >> ticks;
  return rest ? ticks : 0;
}

std::vector<RunningProcess> ScanProcesses(const std::function<bool(const std::string&)>& wanted,
                                          const std::string& procRoot) {
  std::vector<RunningProcess> processes;
  DIR* dir = ::opendir(procRoot.c_str());
  if (!dir) return processes;
  while (dirent* entry = ::readdir(dir)) {
    if (!IsProcessId(entry->d_name)) continue;
    const std::string base = procRoot + "/" + entry->d_name;
    std::string exe = ReadLink(base + "/exe");
    if (exe.empty()) continue;
    exe = ExecutableFromLink(std::move(exe));
    if (!wanted(exe)) continue;
    std::ifstream stat(base + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    RunningProcess process;
    process.pid = static_cast<std::uint32_t>(std::strtoul(entry->d_name, nullptr, 10));
    process.startTicks = StartTicksFromStat(line);
    process.exe = std::move(exe);
    processes.push_back(std::move(process));
  }
  ::closedir(dir);
  return processes;
}

}  // namespace brenvik::service
