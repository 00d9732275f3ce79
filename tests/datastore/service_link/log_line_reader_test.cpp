#include "datastore/service_link/log_line_reader.h"

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/startup/tables.h"
#include "records/date_time.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace brenvik {
namespace {

const std::string kLine = "2013-04-30 17:05:09;7200;PC1|ann;3;C:\\Apps\\x.exe;4242";
const std::string kBom(kUtf8Bom);

class LogLineReaderTest : public ::testing::Test {
 protected:
  // Every line of text that can be read, called as the processing calls.
  std::vector<LogLineEntry> ReadAll(std::string_view text) {
    std::vector<LogLineEntry> entries;
    int pos = 1;
    int calls = 0;
    for (;;) {
      LogLineEntry entry;
      if (FetchNextEntry(text, pos, entry, diagnostics)) {
        entries.push_back(entry);
      } else if (pos >= static_cast<int>(text.size())) {
        break;
      }
      if (++calls > 100'000) ADD_FAILURE() << "the reader does not advance";
      if (calls > 100'000) break;
    }
    return entries;
  }
  LogLineEntry ReadOne(const std::string& line) {
    const auto entries = ReadAll(line + "\r\n");
    EXPECT_EQ(entries.size(), 1u) << line;
    EXPECT_TRUE(log.Entries().empty()) << line;
    return entries.empty() ? LogLineEntry{} : entries[0];
  }
  std::vector<std::string> Descriptions() const {
    std::vector<std::string> out;
    for (const LogEntry& e : log.Entries()) out.push_back(e.description);
    return out;
  }

  DiagnosticLog log;
  test::FakeClock clock;  // 2013-04-30 12:00:00 local
  LineDiagnostics diagnostics{log, clock};
};

TEST_F(LogLineReaderTest, ReadsEveryFieldOfAGoodLineAndMovesPastItsLineBreak) {
  const std::string text = kLine + "\r\n";
  int pos = 1;
  LogLineEntry entry;
  ASSERT_TRUE(FetchNextEntry(text, pos, entry, diagnostics));
  EXPECT_EQ(entry.dateTime, EncodeDateTime(2013, 4, 30, 17, 5, 9, 0));
  EXPECT_EQ(entry.offset, 7200);
  EXPECT_EQ(entry.domain, "PC1");
  EXPECT_EQ(entry.user, "ann");
  EXPECT_EQ(entry.event, 3);
  EXPECT_EQ(entry.parameter, "C:\\Apps\\x.exe");
  EXPECT_EQ(entry.handle, 4242u);
  EXPECT_EQ(pos, static_cast<int>(text.size()) + 1);
  EXPECT_FALSE(FetchNextEntry(text, pos, entry, diagnostics));
  EXPECT_TRUE(log.Entries().empty());
}

TEST_F(LogLineReaderTest, FieldRules) {
  EXPECT_EQ(ReadOne("2013-04-30 17:05:09;7200;PC1|ann;3;C:\\x.exe").handle, 0u);
  EXPECT_EQ(ReadOne("2013-04-30 17:05:09;7200;PC1|ann;3;C:\\x.exe;").handle, 0u);
  EXPECT_EQ(ReadOne("2013-04-30 17:05:09;7200;PC1|ann;8").parameter, "");

  const LogLineEntry noBar = ReadOne("2013-04-30 17:05:09;7200;ann;5;0;");
  EXPECT_EQ(noBar.user, "ann");
  EXPECT_EQ(noBar.domain, "");
  const LogLineEntry twoBars = ReadOne("2013-04-30 17:05:09;7200;PC1|ann|x;5;0;");
  EXPECT_EQ(twoBars.domain, "PC1");
  EXPECT_EQ(twoBars.user, "ann|x");

  // Only the low 32 bits of the handle count, taken as unsigned.
  EXPECT_EQ(ReadOne("2013-04-30 17:05:09;7200;PC1|ann;3;x;4294967296").handle, 0u);
  EXPECT_EQ(ReadOne("2013-04-30 17:05:09;7200;PC1|ann;3;x;4294967297").handle, 1u);
  EXPECT_EQ(ReadOne("2013-04-30 17:05:09;7200;PC1|ann;3;x;-1").handle, 4294967295u);
  EXPECT_EQ(ReadOne("2013-04-30 17:05:09;7200;PC1|ann;3;x;9223372036854775807").handle,
            4294967295u);
  EXPECT_EQ(ReadOne("2013-04-30 17:05:09;7200;PC1|ann;3;x;-9223372036854775808").handle, 0u);

  // Leading spaces and one sign; the parameter is taken as it stands.
  const LogLineEntry signs = ReadOne("2013-04-30 17:05:09;  -3600; PC1|ann;+9;  300 ; 12;extra");
  EXPECT_EQ(signs.offset, -3600);
  EXPECT_EQ(signs.event, 9);
  EXPECT_EQ(signs.domain, " PC1");
  EXPECT_EQ(signs.parameter, "  300 ");
  EXPECT_EQ(signs.handle, 12u);

  // A date without a time of day is midnight.
  EXPECT_EQ(ReadOne("2013-04-30;0;;8;;").dateTime, EncodeDate(2013, 4, 30));
}

TEST_F(LogLineReaderTest, NoiseInFrontOfTheDateIsDropped) {
  const LogLineEntry plain = ReadOne(kLine);
  const std::string prefixes[] = {kBom, "  ", "\t " + kBom, kBom + kBom + " ", "\x01x"};
  for (const std::string& prefix : prefixes) {
    SCOPED_TRACE(prefix);
    EXPECT_EQ(ReadOne(prefix + kLine), plain);
  }
  EXPECT_EQ(ReadOne("2013-04-30 17:05:09 \t;7200;PC1|ann;3;C:\\Apps\\x.exe;4242"), plain);
}

TEST_F(LogLineReaderTest, BadLinesLeaveOneDiagnosticEachAndCostOnlyThemselves) {
  struct Case {
    std::string line;
    std::string description;
  };
  const Case cases[] = {
      {"2013-02-30 00:00:00;7200;PC1|ann;3;x;1",
       "StringToDateTime returned false, parameter was:2013-02-30 00:00:00"},
      {kBom + "heartbeat;7200;PC1|ann;8;;", "StringToDateTime returned false, parameter was:"},
      {"2013-04-30 17:05:09;72x0;PC1|ann;3;x;1", "Val returned <> 0 (sEvent), param was:72x0"},
      {"2013-04-30 17:05:09;;PC1|ann;3;x;1", "Val returned <> 0 (sEvent), param was:"},
      {"2013-04-30 17:05:09;7200;PC1|ann;3 ;x;1", "Val returned <> 0 (sEvent), param was:3 "},
      {"2013-04-30 17:05:09;7200;PC1|ann;2147483648;x;1",
       "Val returned <> 0 (sEvent), param was:2147483648"},
      {"2013-04-30 17:05:09;7200;PC1|ann;3;x;12a", "Val returned <> 0 (sHandle), param was:12a"},
      {"2013-04-30 17:05:09;7200;PC1|ann;3;x;18446744073709551616",
       "Val returned <> 0 (sHandle), param was:18446744073709551616"},
      {"2013-04-30 17:05:09;7200;PC1|ann;3;x;--1", "Val returned <> 0 (sHandle), param was:--1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    DiagnosticLog fresh;
    LineDiagnostics into{fresh, clock};
    const std::string text = c.line + "\r\n" + kLine;
    int pos = 1;
    LogLineEntry entry;
    EXPECT_FALSE(FetchNextEntry(text, pos, entry, into));
    ASSERT_EQ(fresh.Entries().size(), 1u);
    EXPECT_EQ(fresh.Entries()[0],
              (LogEntry{"2013-04-30 12:00:00", "function FetchNextEntry", c.description}));
    EXPECT_TRUE(FetchNextEntry(text, pos, entry, into));  // the next line is read
    EXPECT_EQ(entry.handle, 4242u);
  }
}

TEST_F(LogLineReaderTest, TheDiagnosticIsALineOfTheLogFile) {
  test::TempDir dir;
  log.SetLogFile(test::NativeFiles(), dir.File("UptimeLog.dat"));
  clock.local = EncodeDateTime(2013, 4, 30, 17, 5, 9, 0);
  ReadAll("2013-04-30 17:05:09;7200;PC1|ann;3;x;12a");
  EXPECT_EQ(ReadFileBytes(dir.File("UptimeLog.dat")),
            "[2013-04-30 17:05:09]function FetchNextEntry>"
            "Val returned <> 0 (sHandle), param was:12a\r\n");
}

TEST_F(LogLineReaderTest, AnyRunOfLineBreaksSeparatesLines) {
  const std::string a = "2013-04-30 17:05:09;7200;PC1|ann;1;;60";
  const std::string b = "2013-04-30 17:06:09;7200;PC1|ann;8;;";
  const std::string c = "2013-04-30 17:07:09;7200;PC1|ann;2;;";
  for (const std::string& text : {a + "\r" + b + "\r" + c, a + "\n" + b + "\n" + c,
                                  "\r\n\n" + a + "\r\n\r\n\r\r" + b + "\n\r" + c + "\r\n\r\n"}) {
    const auto entries = ReadAll(text);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].event, 1);
    EXPECT_EQ(entries[1].event, 8);
    EXPECT_EQ(entries[2].event, 2);  // also without a final line break
  }
  EXPECT_TRUE(log.Entries().empty());
}

TEST_F(LogLineReaderTest, TheCallingContractEndsOnEveryText) {
  // The reader stops before a last byte standing alone, so a one-character
  // tail is never read, and empty texts read nothing.
  EXPECT_EQ(ReadAll(kLine + "\r\nx").size(), 1u);
  EXPECT_TRUE(log.Entries().empty());
  EXPECT_TRUE(ReadAll("").empty());
  EXPECT_TRUE(ReadAll("\r\n\r\n").empty());
  EXPECT_TRUE(log.Entries().empty());
  EXPECT_EQ(ReadAll(kLine + "\r\nxy").size(), 1u);
  EXPECT_EQ(Descriptions(),
            std::vector<std::string>{"StringToDateTime returned false, parameter was:"});
}

TEST_F(LogLineReaderTest, MalformedTextCostsOnlyTheLinesItIsIn) {
  const std::string nuls(40, '\0');
  const std::string megabyte(1 << 20, '7');
  const std::string text = kLine + "\r\n" +
                           "2013-04-30 17:05:09;7200;PC1|\xFF\xFE"
                           "ann;3;C:\\\xC3(x.exe;1\r\n" +
                           "\xC0\xAF"
                           "2013-04-30 17:05:09;7200;PC1|ann;8;;\r\n" +
                           nuls + "\n" + "2013-04-30 17:05:09;7200;PC1|ann;3;C:\\a" + nuls +
                           "b.exe;5\r\n" + megabyte + "\r\n" +
                           "2013-04-30 17:05:09;7200;PC1|ann;3;" + megabyte + ";6\r\n" + kLine;
  const auto entries = ReadAll(text);
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[1].user,
            "\xEF\xBF\xBD\xEF\xBF\xBD"
            "ann");  // U+FFFD for each bad byte
  EXPECT_EQ(entries[1].parameter, "C:\\\xEF\xBF\xBD(x.exe");
  EXPECT_EQ(entries[2].event, 8);  // the noise was in front
  EXPECT_EQ(entries[3].parameter, "C:\\a" + nuls + "b.exe");
  EXPECT_EQ(entries[4].parameter, megabyte);
  EXPECT_EQ(entries[4].handle, 6u);
  EXPECT_EQ(entries[5], entries[0]);

  // The line of NULs trims to nothing; the megabyte of digits is quoted cut.
  const std::string prefix = kBadDateTimeDiagnostic;
  EXPECT_EQ(Descriptions(),
            (std::vector<std::string>{prefix, prefix + std::string(kDiagnosticQuoteLimit, '7')}));
}

TEST(AppendTransactionTest, StoresTheLineInTheFieldOrderOfTheTable) {
  Table transactions("DataSetTransactions", TransactionsSchema());
  transactions.CreateEmpty();
  const DateTime at = EncodeDateTime(2013, 4, 30, 17, 5, 9, 0);
  AppendTransaction(transactions, at, 7200, 3, "PC1", std::string(150, 'u'), 4294967295,
                    "C:\\Apps\\x.exe");
  ASSERT_EQ(transactions.RecordCount(), 1u);
  transactions.First();
  EXPECT_EQ(transactions.AsDateTime("cdsTransactDateTime"), at);
  EXPECT_EQ(transactions.AsInteger("cdsTransactGTMOffset"), 7200);
  EXPECT_EQ(transactions.AsInteger("cdsTansactEventType"), 3);
  EXPECT_EQ(transactions.AsText("cdsTransactUserDomain"), "PC1");
  EXPECT_EQ(transactions.AsText("cdsTransactUserName"), std::string(100, 'u'));
  EXPECT_EQ(transactions.AsLargeint("cdsTransactHandle"), 4294967295);
  EXPECT_EQ(transactions.AsText("cdsTransactExePath"), "C:\\Apps\\x.exe");
  EXPECT_EQ(transactions.AsText("cdsTransactParam1"), "");
  EXPECT_EQ(transactions.AsText("cdsTransactParam2"), "");
}

}  // namespace
}  // namespace brenvik
