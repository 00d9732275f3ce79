#include "platform/posix/accounting_file.h"

#include <utmpx.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "base/errors.h"
#include "base/file_io.h"
#include "records/date_time.h"

#ifdef BRENVIK_HAVE_ZLIB
#include <zlib.h>
#endif

namespace brenvik {
namespace {

constexpr std::int64_t kEarliestUnix = 315532800;  // 1980-01-01
constexpr std::int64_t kFutureSlack = 86400;

bool IsGzip(const std::string& bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1F &&
         static_cast<unsigned char>(bytes[1]) == 0x8B;
}

std::string Gunzip(const std::string& path) {
#ifdef BRENVIK_HAVE_ZLIB
  gzFile file = gzopen(path.c_str(), "rb");
  if (file == nullptr) throw PlatformError("Cannot open the event log \"" + path + "\"");
  std::string out;
  char buffer[65536];
  int n = 0;
  while ((n = gzread(file, buffer, sizeof buffer)) > 0)
    out.append(buffer, static_cast<std::size_t>(n));
  int code = Z_OK;
  const char* message = gzerror(file, &code);
  gzclose(file);
  // A damaged or cut-off archive keeps what came out before the damage.
  if (n < 0 && out.empty()) {
    throw PlatformError("Cannot read the compressed event log \"" + path + "\": " + message);
  }
  return out;
#else
  throw PlatformError("Cannot read the compressed event log \"" + path +
                      "\": this build has no zlib");
#endif
}

std::string Field(const char* text, std::size_t size) {
  return std::string(text, strnlen(text, size));
}

EventLogRecord RecordOf(const utmpx& entry) {
  EventLogRecord record;
  record.timeGenerated = DateTimeOfUnixSeconds(entry.ut_tv.tv_sec);
  const std::string user = Field(entry.ut_user, sizeof entry.ut_user);
  if (entry.ut_type == BOOT_TIME) {
    record.eventId = kEventBoot;
  } else if (entry.ut_type == RUN_LVL && user == "shutdown") {
    record.eventId = kEventShutdown;
  }
  record.source = "wtmp";
  record.computer = Field(entry.ut_host, sizeof entry.ut_host);
  record.strings.push_back(user);
  record.strings.push_back(Field(entry.ut_line, sizeof entry.ut_line));
  return record;
}

// The rotation order of a sibling's suffix: its number, or its date digits.
std::string RotationKey(const std::string& suffix) {
  std::string digits;
  for (char c : suffix) {
    if (c >= '0' && c <= '9')
      digits += c;
    else if (!digits.empty())
      break;
  }
  return std::string(20 - std::min<std::size_t>(digits.size(), 20), '0') + digits;
}

}  // namespace

DateTime DateTimeOfUnixSeconds(std::int64_t seconds) {
  // Whole days and the second of the day apart, so that no rounding puts
  // the moment a fraction before its second.
  const std::int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  const std::int64_t second = seconds - days * 86400;
  const DateTime day = EncodeDateTime(1970, 1, 1, 0, 0, 0) + static_cast<double>(days);
  return day + EncodeTime(static_cast<int>(second / 3600), static_cast<int>(second % 3600 / 60),
                          static_cast<int>(second % 60), 0);
}

std::vector<EventLogRecord> ParseAccountingRecords(const std::string& bytes, std::int64_t nowUnix,
                                                   std::size_t& skipped) {
  std::vector<EventLogRecord> records;
  const std::size_t size = sizeof(utmpx);
  if (bytes.size() % size != 0) ++skipped;
  for (std::size_t at = 0; at + size <= bytes.size(); at += size) {
    utmpx entry;
    std::memcpy(&entry, bytes.data() + at, size);
    const std::int64_t seconds = entry.ut_tv.tv_sec;
    const bool known = entry.ut_type >= RUN_LVL && entry.ut_type <= DEAD_PROCESS;
    if (!known || seconds < kEarliestUnix || seconds > nowUnix + kFutureSlack) {
      if (entry.ut_type != EMPTY) ++skipped;
      continue;
    }
    EventLogRecord record = RecordOf(entry);
    record.recordNumber = static_cast<std::uint32_t>(records.size() + 1);
    records.push_back(std::move(record));
  }
  return records;
}

std::string ReadAccountingBytes(const std::string& path) {
  std::string bytes;
  try {
    bytes = ReadFileBytes(path);
  } catch (const Error&) {
    throw PlatformError("Cannot open the event log \"" + path + "\"");
  }
  return IsGzip(bytes) ? Gunzip(path) : bytes;
}

bool CanReadCompressedAccountingFiles() {
#ifdef BRENVIK_HAVE_ZLIB
  return true;
#else
  return false;
#endif
}

std::vector<std::string> RotatedSiblings(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path file(path);
  const std::string base = file.filename().string();
  std::vector<std::pair<std::string, std::string>> found;  // key, path
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(file.parent_path(), error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= base.size() + 1 || name.compare(0, base.size(), base) != 0) continue;
    const char mark = name[base.size()];
    if ((mark != '.' && mark != '-') || !entry.is_regular_file(error)) continue;
    const std::string suffix = name.substr(base.size() + 1);
    if (suffix.empty() || suffix[0] < '0' || suffix[0] > '9') continue;
    found.emplace_back(RotationKey(suffix), entry.path().string());
  }
  std::sort(found.begin(), found.end());
  // Numbered rotations count up with age, dated ones down.
  const bool numbered =
      !found.empty() && fs::path(found.front().second).filename().string()[base.size()] == '.';
  if (numbered) std::reverse(found.begin(), found.end());
  std::vector<std::string> paths;
  paths.reserve(found.size());
  for (auto& [key, p] : found) paths.push_back(p);
  return paths;
}

}  // namespace brenvik
