// brenvik-cli against a misbehaving service: one that floods its reply and
// hands binary garbage between the good lines, and one that never answers.
// The command still succeeds, says nothing on standard error, and reports
// exactly what a well-behaved service's lines give.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "cli_process.h"

namespace brenvik::test {
namespace {

const char* const kFirstRun =
    "2013-04-29 08:00:00;0;PC1|ann;1;;60\r\n"
    "2013-04-29 08:01:00;0;PC1|ann;5;0;\r\n"
    "2013-04-29 09:00:00;0;PC1|ann;3;/opt/tool/tool;4242\r\n";
const char* const kSecondRun =
    "2013-04-29 10:30:00;0;PC1|ann;4;/opt/tool/tool;4242\r\n"
    "2013-04-29 17:00:00;0;PC1|ann;8;;\r\n"
    "2013-04-30 09:00:00;0;PC1|ann;1;;30\r\n";

CliResult Report(CliTree& tree) {
  return tree.Run({"--now", "2013-04-30 12:00:00", "--uptime", "10830", "uptime-report"});
}

std::string Garbage(std::size_t bytes) {
  std::mt19937 random(7);
  std::string text(bytes, '\0');
  for (char& c : text) c = static_cast<char>(random());
  return text;
}

TEST(CliMisbehavingService, GarbageAndAFloodedReplyChangeNothingButTheDiagnosticLog) {
  CliTree clean;
  clean.Service().PrepareHandOver(std::string(kFirstRun) + kSecondRun);
  const CliResult expected = Report(clean);
  ASSERT_EQ(expected.status, 0);

  CliTree tree;
  tree.Service().SetReplyBytes(8u << 20);
  tree.Service().PrepareHandOver(kFirstRun + Garbage(1u << 20) + "\r\n" + kSecondRun);
  const CliResult result = Report(tree);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, expected.out);
  // Twenty bad lines quoted, one entry counting the rest.
  const std::string log = ReadFileBytes(tree.DataFolder() + "UptimeLog.dat");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 21);
}

TEST(CliMisbehavingService, AServiceThatNeverAnswersCostsTheTimeOutAndNoError) {
  CliTree tree;
  tree.Service().PrepareHandOver(std::string(kFirstRun) + kSecondRun);
  ASSERT_EQ(Report(tree).status, 0);
  tree.Service().SetSilent(true);
  const auto start = std::chrono::steady_clock::now();
  const CliResult result = Report(tree);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_NE(result.out.find("Turned on 2 times"), std::string::npos);
  EXPECT_LT(took, std::chrono::seconds(12));  // a pass or two, each at most the 2 s time-out
}

}  // namespace
}  // namespace brenvik::test
