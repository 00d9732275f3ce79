// The idle agent's message, the service's rules for taking it, and the
// agent's judgement of when to report.
#include "idle_report.h"

#include <gtest/gtest.h>

#include "idle_watch.h"

namespace brenvik::service {
namespace {

IdleReport Idle(std::uint32_t session, std::int64_t seconds) { return {session, true, seconds}; }
IdleReport Active(std::uint32_t session, std::int64_t seconds) { return {session, false, seconds}; }

bool Same(const std::optional<IdleReport>& a, const IdleReport& b) {
  return a && a->session == b.session && a->idle == b.idle && a->seconds == b.seconds;
}

TEST(IdleReportMessage, ReadsBackWhatItWrites) {
  for (const IdleReport& report :
       {Idle(1, 1), Idle(4294967295u, kMaxIdleSeconds), Active(3, 0), Active(2, 300)}) {
    const std::string text = FormatIdleReport(report);
    EXPECT_TRUE(Same(ParseIdleReport(text), report)) << text;
  }
  EXPECT_EQ(FormatIdleReport(Idle(1, 120)), "1;idle;120");
  EXPECT_EQ(FormatIdleReport(Active(1, 300)), "1;active;300");
}

TEST(IdleReportMessage, RefusesWhatIsNotAReport) {
  for (const char* text : {"",
                           "1",
                           "1;idle",
                           "1;idle;5;",
                           "1;idle;5;x",
                           ";idle;5",
                           "1;;5",
                           "1;IDLE;5",
                           "1;asleep;5",
                           "1;idle;0",
                           "1;idle;-5",
                           "1;idle;+5",
                           "1;idle; 5",
                           "1;idle;5 ",
                           "-1;idle;5",
                           "4294967296;idle;5",
                           "1;idle;2147483648",
                           "1;idle;99999999999",
                           "x;active;0",
                           "1;active;"}) {
    EXPECT_FALSE(ParseIdleReport(text)) << '"' << text << '"';
  }
}

TEST(IdleReportMessage, TakesOnlyTheSessionTheClientRunsIn) {
  CommandClient own{2, 77};
  EXPECT_FALSE(IdleReportRefusal(Idle(2, 60), own));
  // Another session speaking for this one, or a client whose session is not
  // known, or one in the services' session.
  EXPECT_TRUE(IdleReportRefusal(Idle(1, 60), own));
  EXPECT_TRUE(IdleReportRefusal(Idle(2, 60), CommandClient{std::nullopt, 77}));
  EXPECT_TRUE(IdleReportRefusal(Idle(0, 60), CommandClient{0, 77}));
  EXPECT_TRUE(IdleReportRefusal(Active(0, 0), CommandClient{0, 77}));
}

TEST(IdleReportMessage, TheReturnOfTheUserGivesTheFinalLengthThenZero) {
  using Strings = std::vector<std::string>;
  EXPECT_EQ(IdleLineParameters(Idle(1, 120)), Strings{"120"});
  EXPECT_EQ(IdleLineParameters(Active(1, 300)), (Strings{"300", "0"}));
  EXPECT_EQ(IdleLineParameters(Active(1, 0)), Strings{"0"});
}

TEST(IdleReportMessage, TheGateKeepsEachSessionToOneReportASecond) {
  IdleReportGate gate;
  EXPECT_TRUE(gate.Admit(1, 10'000));
  EXPECT_FALSE(gate.Admit(1, 10'999));
  EXPECT_TRUE(gate.Admit(2, 10'999));  // another session has its own gap
  EXPECT_TRUE(gate.Admit(1, 11'000));
  EXPECT_FALSE(gate.Admit(1, 11'500));
  EXPECT_TRUE(gate.Admit(1, 5'000));  // a clock that went back does not lock a session out
}

class IdleWatchTest : public ::testing::Test {
 protected:
  // Polls every second from now_ to untilMs with the last input at inputMs
  // (not later than now_); the reports in order.
  std::vector<IdleReport> PollUntil(std::int64_t untilMs, std::int64_t inputMs) {
    std::vector<IdleReport> reports;
    for (; now_ <= untilMs; now_ += 1000) {
      if (auto report = watch_.Poll(now_, now_ - inputMs)) reports.push_back(*report);
    }
    return reports;
  }

  IdleWatch watch_{5, IdleWatchSettings{120'000, 60'000}};
  std::int64_t now_ = 1'000'000;
};

TEST_F(IdleWatchTest, ReportsAPeriodAtTheThresholdThenEveryIntervalThenItsEnd) {
  const std::int64_t input = now_;
  EXPECT_TRUE(PollUntil(input + 119'000, input).empty());
  auto reports = PollUntil(input + 300'000, input);
  ASSERT_EQ(reports.size(), 4u);
  EXPECT_TRUE(Same(reports[0], Idle(5, 120)));
  EXPECT_TRUE(Same(reports[1], Idle(5, 180)));
  EXPECT_TRUE(Same(reports[3], Idle(5, 300)));
  EXPECT_TRUE(PollUntil(input + 329'000, input).empty());
  // Input at +330 s: the period lasted from the last input before it.
  reports = PollUntil(input + 340'000, input + 330'000);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(Same(reports[0], Active(5, 330)));
  EXPECT_FALSE(watch_.idle());
  EXPECT_TRUE(PollUntil(input + 400'000, input + 330'000).empty());
}

TEST_F(IdleWatchTest, TheJitterOfTheInputTimeIsNoNewInput) {
  const std::int64_t input = now_;
  ASSERT_EQ(PollUntil(input + 120'000, input).size(), 1u);
  EXPECT_TRUE(PollUntil(input + 150'000, input + 1500).empty());
  EXPECT_TRUE(watch_.idle());
}

TEST_F(IdleWatchTest, AnUndeliveredReportIsOfferedAgain) {
  const std::int64_t input = now_;
  auto reports = PollUntil(input + 120'000, input);
  ASSERT_EQ(reports.size(), 1u);
  watch_.Undelivered(reports[0]);  // the service was away
  reports = PollUntil(input + 121'000, input);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(Same(reports[0], Idle(5, 121)));
  EXPECT_EQ(PollUntil(input + 198'000, input).size(), 1u);
  // The end is kept until it is taken, and only then is a new period looked at.
  reports = PollUntil(input + 200'000, input + 199'000);
  ASSERT_EQ(reports.size(), 1u);
  watch_.Undelivered(reports[0]);
  reports = PollUntil(input + 400'000, input + 199'000);
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_TRUE(Same(reports[0], Active(5, 199)));
  EXPECT_TRUE(Same(reports[1], Idle(5, 120)));
  EXPECT_TRUE(Same(reports[2], Idle(5, 180)));
}

}  // namespace
}  // namespace brenvik::service
