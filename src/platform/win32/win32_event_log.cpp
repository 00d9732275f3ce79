#include "platform/win32/win32_event_log.h"

#include <windows.h>

#include <cstring>

#include "base/errors.h"
#include "platform/win32/win32_error.h"

namespace brenvik {
namespace {

constexpr double kUnixEpochDay = 25569.0;  // 1970-01-01 as a day count
constexpr DWORD kFirstReadBuffer = 64 * 1024;

// The zero-terminated UTF-16 text at offset within the record; offset moves
// past its terminator.
std::string TextAt(std::string_view record, std::size_t& offset) {
  std::wstring text;
  while (offset + 1 < record.size()) {
    wchar_t unit = 0;
    std::memcpy(&unit, record.data() + offset, sizeof unit);
    offset += sizeof unit;
    if (unit == L'\0') break;
    text += unit;
  }
  return WideToUtf8(text);
}

EventLogRecord DecodeRecord(std::string_view record) {
  EVENTLOGRECORD head;
  std::memcpy(&head, record.data(), sizeof head);
  EventLogRecord out;
  out.recordNumber = head.RecordNumber;
  out.timeGenerated = kUnixEpochDay + static_cast<double>(head.TimeWritten) / 86400.0;
  out.eventId = head.EventID & 0xFFFF;
  std::size_t offset = sizeof head;
  out.source = TextAt(record, offset);
  out.computer = TextAt(record, offset);
  if (head.StringOffset >= sizeof head && head.StringOffset < record.size()) {
    offset = head.StringOffset;
    for (WORD i = 0; i < head.NumStrings && offset < record.size(); ++i) {
      out.strings.push_back(TextAt(record, offset));
    }
  }
  return out;
}

class LogHandle {
 public:
  explicit LogHandle(HANDLE handle) : handle_(handle) {}
  ~LogHandle() {
    if (handle_) ::CloseEventLog(handle_);
  }
  LogHandle(const LogHandle&) = delete;
  LogHandle& operator=(const LogHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::vector<EventLogRecord> DecodeEventLogRecords(std::string_view buffer) {
  std::vector<EventLogRecord> records;
  std::size_t at = 0;
  while (buffer.size() - at >= sizeof(EVENTLOGRECORD)) {
    DWORD length = 0;
    std::memcpy(&length, buffer.data() + at, sizeof length);
    if (length < sizeof(EVENTLOGRECORD) || length > buffer.size() - at) break;
    records.push_back(DecodeRecord(buffer.substr(at, length)));
    at += length;
  }
  return records;
}

std::vector<EventLogRecord> Win32EventLog::ReadAll(EventLogName log) {
  const bool system = log == EventLogName::System;
  const std::string name = system ? "System" : "Application";
  LogHandle handle(::OpenEventLogW(nullptr, system ? L"eventlog" : L"Application"));
  if (!handle.get()) ThrowLastWindowsError("Cannot open the " + name + " event log");
  DWORD count = 0;
  DWORD oldest = 0;
  if (!::GetNumberOfEventLogRecords(handle.get(), &count)) {
    ThrowLastWindowsError("Cannot count the records of the " + name + " event log");
  }
  std::vector<EventLogRecord> records;
  if (count == 0) return records;
  if (!::GetOldestEventLogRecord(handle.get(), &oldest)) {
    ThrowLastWindowsError("Cannot find the oldest record of the " + name + " event log");
  }
  records.reserve(count);
  std::string buffer(kFirstReadBuffer, '\0');
  // The first read seeks to the oldest record; the later ones go on from
  // where the one before stopped.
  DWORD flags = EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ;
  while (true) {
    DWORD read = 0;
    DWORD needed = 0;
    if (!::ReadEventLogW(handle.get(), flags, oldest, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &read, &needed)) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_HANDLE_EOF) break;
      if (error == ERROR_INSUFFICIENT_BUFFER && needed > buffer.size()) {
        buffer.resize(needed);
        continue;
      }
      ThrowWindowsError("Cannot read the " + name + " event log", error);
    }
    for (EventLogRecord& record : DecodeEventLogRecords(std::string_view(buffer.data(), read))) {
      records.push_back(std::move(record));
    }
    flags = EVENTLOG_SEQUENTIAL_READ | EVENTLOG_FORWARDS_READ;
  }
  return records;
}

namespace {

class LinuxRecordsUnreadable : public EventLog {
 public:
  std::vector<EventLogRecord> ReadAll(EventLogName log) override {
    if (log == EventLogName::Application) return {};
    throw PlatformError("Linux boot records (wtmp, journal listings) can be read on Linux only");
  }
};

}  // namespace

std::unique_ptr<EventLog> MakeBootRecordsEventLog(const BootRecordFiles&) {
  return std::make_unique<LinuxRecordsUnreadable>();
}

}  // namespace brenvik
