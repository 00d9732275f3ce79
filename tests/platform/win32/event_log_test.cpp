// The Windows event-log reader: records decoded from buffers laid out as
// ReadEventLogW fills them (Wine keeps no event log, so the decoding is shown
// on buffers built here), and reading both real logs.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "platform/win32/win32_event_log.h"
#include "records/time_arithmetic.h"

namespace brenvik {
namespace {

void AppendText(std::string& bytes, const std::wstring& text) {
  bytes.append(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}

void PadToFour(std::string& bytes, std::size_t extra) {
  while ((bytes.size() + extra) % 4 != 0) bytes += '\0';
}

// One record in the EVENTLOGRECORD layout: header, source, computer, strings,
// padding, the length once more.
std::string Record(DWORD number, DWORD timeWritten, DWORD eventId, const std::wstring& source,
                   const std::wstring& computer, const std::vector<std::wstring>& strings) {
  EVENTLOGRECORD head{};
  std::string body;
  AppendText(body, source);
  AppendText(body, computer);
  PadToFour(body, sizeof head);
  head.StringOffset = static_cast<DWORD>(sizeof head + body.size());
  for (const std::wstring& text : strings) AppendText(body, text);
  PadToFour(body, sizeof head + sizeof(DWORD));
  head.Length = static_cast<DWORD>(sizeof head + body.size() + sizeof(DWORD));
  head.Reserved = 0x654c664c;  // "LfLe"
  head.RecordNumber = number;
  head.TimeGenerated = timeWritten - 3;
  head.TimeWritten = timeWritten;
  head.EventID = eventId;
  head.NumStrings = static_cast<WORD>(strings.size());
  std::string bytes(reinterpret_cast<const char*>(&head), sizeof head);
  bytes += body;
  bytes.append(reinterpret_cast<const char*>(&head.Length), sizeof(DWORD));
  return bytes;
}

constexpr DWORD k20130430At0800Utc = 1367308800;

TEST(DecodeEventLogRecords, ReadsEveryFieldOfConsecutiveRecords) {
  const std::string buffer = Record(41, k20130430At0800Utc, 0x80001775, L"EventLog", L"PC1", {}) +
                             Record(42, k20130430At0800Utc + 32400, 0xC00003EA, L"Application Hang",
                                    L"PC1", {L"uptime.exe", L"1.3.0.0", L"Zoë 日本"});
  const auto records = DecodeEventLogRecords(buffer);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].recordNumber, 41u);
  EXPECT_EQ(records[0].eventId, 6005u);
  EXPECT_EQ(SecondsBetween(records[0].timeGenerated, EncodeDateTime(2013, 4, 30, 8, 0, 0)), 0);
  EXPECT_EQ(records[0].source, "EventLog");
  EXPECT_EQ(records[0].computer, "PC1");
  EXPECT_TRUE(records[0].strings.empty());
  EXPECT_EQ(records[1].eventId, 1002u);
  EXPECT_EQ(SecondsBetween(records[1].timeGenerated, EncodeDateTime(2013, 4, 30, 17, 0, 0)), 0);
  EXPECT_EQ(records[1].source, "Application Hang");
  EXPECT_EQ(records[1].strings, (std::vector<std::string>{"uptime.exe", "1.3.0.0", "Zoë 日本"}));
}

TEST(DecodeEventLogRecords, StopsAtARecordThatDoesNotFit) {
  const std::string good = Record(1, k20130430At0800Utc, 6006, L"EventLog", L"PC1", {L"x"});
  std::string cut = Record(2, k20130430At0800Utc, 6005, L"EventLog", L"PC1", {});
  cut.resize(cut.size() - 8);
  EXPECT_EQ(DecodeEventLogRecords(good + cut).size(), 1u);

  std::string tooShort = good;
  const DWORD tiny = 8;
  std::memcpy(tooShort.data(), &tiny, sizeof tiny);
  EXPECT_TRUE(DecodeEventLogRecords(tooShort).empty());

  // Strings said to lie beyond the record are left out, not read.
  std::string wild = good;
  const DWORD beyond = 0x7FFFFFF0;
  std::memcpy(wild.data() + offsetof(EVENTLOGRECORD, StringOffset), &beyond, sizeof beyond);
  const auto records = DecodeEventLogRecords(wild);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(records[0].strings.empty());
  EXPECT_EQ(records[0].source, "EventLog");
}

TEST(Win32EventLog, BothLogsAreReadOldestFirst) {
  Win32EventLog log;
  for (EventLogName name : {EventLogName::System, EventLogName::Application}) {
    const auto records = log.ReadAll(name);
    for (std::size_t i = 1; i < records.size(); ++i) {
      EXPECT_LT(records[i - 1].recordNumber, records[i].recordNumber);
      EXPECT_LE(records[i].eventId, 0xFFFFu);
    }
  }
}

}  // namespace
}  // namespace brenvik
