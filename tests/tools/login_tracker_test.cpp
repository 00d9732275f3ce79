#include "login_tracker.h"

#include <gtest/gtest.h>

namespace brenvik::service {
namespace {

std::vector<std::string> Texts(const std::vector<LoginEvent>& events) {
  std::vector<std::string> texts;
  for (const LoginEvent& e : events) {
    texts.push_back(std::to_string(e.event) + " " + e.user + " " + e.parameter);
  }
  return texts;
}

SeatSession Session(std::string id, std::string user, bool active) {
  SeatSession s;
  s.id = std::move(id);
  s.user = std::move(user);
  s.active = active;
  return s;
}

using Strings = std::vector<std::string>;

TEST(LoginTracker, FollowsLoginsSwitchesAndLogoffsOnASeat) {
  LoginTracker tracker(60);
  EXPECT_EQ(Texts(tracker.Update({Session("1", "ann", true)}, 1000)), Strings{"5 ann 1"});
  EXPECT_TRUE(tracker.Update({Session("1", "ann", true)}, 1001).empty());
  // Bob's login takes the seat; Ann stays logged in.
  EXPECT_EQ(Texts(tracker.Update({Session("1", "ann", false), Session("2", "bob", true)}, 1002)),
            (Strings{"6 ann 1", "5 bob 1"}));
  EXPECT_EQ(Texts(tracker.Update({Session("2", "bob", true)}, 1003)), Strings{"6 ann 0"});
  EXPECT_EQ(Texts(tracker.Update({}, 1004)), Strings{"6 bob 0"});
}

TEST(LoginTracker, ALockIsAnInactivePeriodAndTheUnlockEndsIt) {
  LoginTracker tracker(60);
  tracker.Update({Session("1", "ann", true)}, 1000);
  SeatSession locked = Session("1", "ann", true);
  locked.locked = true;
  EXPECT_EQ(Texts(tracker.Update({locked}, 1010)), Strings{"6 ann 2"});
  EXPECT_EQ(Texts(tracker.Update({Session("1", "ann", true)}, 1020)), Strings{"5 ann 0"});
}

TEST(LoginTracker, TwoSessionsOfOneUserAreOneLogin) {
  LoginTracker tracker(60);
  EXPECT_EQ(Texts(tracker.Update({Session("1", "ann", false), Session("2", "ann", true)}, 1000)),
            Strings{"5 ann 1"});
  EXPECT_TRUE(tracker.Update({Session("2", "ann", true)}, 1001).empty());
}

TEST(LoginTracker, AUserNeverActiveLeavesWithoutALine) {
  LoginTracker tracker(60);
  EXPECT_TRUE(tracker.Update({Session("3", "carl", false)}, 1000).empty());
  EXPECT_TRUE(tracker.Update({}, 1001).empty());
}

TEST(LoginTracker, ReportsTheIdleLengthAgainAndLastOfAllItsFinalLength) {
  LoginTracker tracker(60);
  tracker.Update({Session("1", "ann", true)}, 1000);
  SeatSession idle = Session("1", "ann", true);
  idle.idleSinceUnix = 1880;
  EXPECT_EQ(Texts(tracker.Update({idle}, 2000)), Strings{"9 ann 120"});
  idle.idleSinceUnix = 1881;  // the jitter of reading the idle time
  EXPECT_TRUE(tracker.Update({idle}, 2030).empty());
  EXPECT_EQ(Texts(tracker.Update({idle}, 2060)), Strings{"9 ann 180"});
  EXPECT_EQ(Texts(tracker.Update({Session("1", "ann", true)}, 2180)),
            (Strings{"9 ann 300", "9 ann 0"}));
}

TEST(LoginTracker, ANewIdlePeriodEndsTheOldOneFirst) {
  LoginTracker tracker(600);
  SeatSession idle = Session("1", "ann", true);
  idle.idleSinceUnix = 900;
  EXPECT_EQ(Texts(tracker.Update({idle}, 1000)), (Strings{"5 ann 1", "9 ann 100"}));
  idle.idleSinceUnix = 1100;
  EXPECT_EQ(Texts(tracker.Update({idle}, 1150)), (Strings{"9 ann 200", "9 ann 0", "9 ann 50"}));
}

TEST(LoginTracker, GoesOnFromItsStateAfterARestart) {
  LoginTracker first(60);
  first.Update({Session("1", "ann", true)}, 1000);
  LoginTracker second(60);
  second.Restore(first.States());
  EXPECT_TRUE(second.Update({Session("1", "ann", true)}, 1100).empty());
  EXPECT_EQ(Texts(second.Update({}, 1200)), Strings{"6 ann 0"});
}

}  // namespace
}  // namespace brenvik::service
