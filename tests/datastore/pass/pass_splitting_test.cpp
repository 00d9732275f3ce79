// Processing an activity log in one pass or in many passes, cut at any line
// boundaries, must give the same tables: every pass replays the stored
// transactions of the running Windows run and rebuilds its provisional rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "datastore/pass/pass_fixture.h"
#include "records/time_arithmetic.h"

namespace brenvik::test {
namespace {

// A realistic log: several Windows runs (some ended by a stop, some by a
// crash, one after a resume), logins of two users with locks, idle reports,
// tracked programs of both users, heartbeats, a clock change and a bad line.
class LogWriter {
 public:
  explicit LogWriter(unsigned seed) : random_(seed) {}

  std::vector<std::string> Write(int runs) {
    for (int run = 0; run < runs; ++run) WriteRun(run, run + 1 == runs);
    return lines_;
  }
  DateTime End() const { return t_; }

 private:
  int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
  bool Chance(int percent) { return Between(1, 100) <= percent; }
  void Wait(int lo, int hi) { t_ = AddSeconds(t_, Between(lo, hi)); }
  void Add(std::int32_t event, const std::string& parameter = "", const std::string& handle = "",
           const std::string& user = "", const std::string& domain = "PC1") {
    lines_.push_back(LogLine{t_, event, parameter, handle, user, domain, offset_}.Text());
  }

  void WriteRun(int run, bool last) {
    Wait(600, 4 * 3600);
    Add(1, resume_ ? "pmWindowReceivedPCResume" : "", std::to_string(Between(20, 900)));
    resume_ = false;
    std::vector<std::string> open;  // "path;handle;user"
    std::string active;
    const bool withLogins = run != 0 || Chance(50);
    const int steps = Between(10, 40);
    for (int step = 0; step < steps; ++step) {
      Wait(20, 900);
      const int what = Between(1, 100);
      if (what <= 25) {
        Add(8);
      } else if (what <= 40 && withLogins) {
        const std::string user = Chance(70) ? "ann" : "bob";
        if (active == user && Chance(50)) {
          Add(6, Chance(60) ? "0" : "1", "", user);  // logoff or lock
          active.clear();
        } else {
          Add(5, Chance(80) ? "1" : "3", "", user);
          active = user;
        }
      } else if (what <= 55 && !active.empty()) {
        Add(9, "120", "", active);
        Wait(60, 300);
        Add(9, "300", "", active);
        Wait(10, 200);
        Add(9, "0", "", active);
      } else if (what <= 75 && open.size() < 4) {
        const std::string path = Chance(50) ? "C:\\Apps\\Tool.exe" : "/usr/bin/editor";
        const std::string handle = std::to_string(Between(100, 999));
        const std::string user = active.empty() ? "ann" : active;
        Add(3, path, handle, user);
        open.push_back(path + ";" + handle + ";" + user);
      } else if (what <= 92 && !open.empty()) {
        const std::size_t i =
            static_cast<std::size_t>(Between(0, static_cast<int>(open.size()) - 1));
        const auto parts = SplitByChar(open[i], ';');
        Add(4, parts[0], parts[1], parts[2]);
        open.erase(open.begin() + static_cast<long>(i));
      } else if (what <= 94) {
        Add(7, LogLine{AddSeconds(t_, Chance(50) ? 3600 : -3600), 0, "", ""}.Text().substr(0, 19));
      } else if (what <= 96) {
        lines_.push_back("2013-02-30 00:00:00;7200;PC1|ann;3;x;1");
      } else {
        offset_ = offset_ == 7200 ? 3600 : 7200;
        Add(8);
      }
    }
    if (last) return;
    if (Chance(70)) {
      Wait(10, 120);
      resume_ = Chance(20);
      Add(2, resume_ ? "pmWindowReceivedPCResume" : "");
    }  // else the run crashes: the next start ends it
  }

  std::mt19937 random_;
  std::vector<std::string> lines_;
  DateTime t_ = EncodeDateTime(2013, 4, 1, 6, 0, 0);
  std::int32_t offset_ = 7200;
  bool resume_ = false;
};

std::string Join(const std::vector<std::string>& lines, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t i = from; i < to; ++i) text += lines[i] + "\r\n";
  return text;
}

TEST(PassSplitting, AnySplitOfALogGivesTheTablesOfOnePass) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    LogWriter writer(seed);
    const std::vector<std::string> lines = writer.Write(5);
    const DateTime final = AddSeconds(writer.End(), 3 * 3600);

    PassFixture whole;
    whole.dateOfCalc = final;
    whole.Pass(Join(lines, 0, lines.size()), true);
    const auto history = whole.History();
    const auto logins = whole.Logins();
    ASSERT_GT(history.size(), 5u);

    std::mt19937 random(seed * 7919);
    for (int split = 0; split < 8; ++split) {
      PassFixture parts;
      std::size_t from = 0;
      while (from < lines.size()) {
        // Passes of up to 25 lines; one in four finds no new line.
        const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 3)(random) == 0
                                     ? 0
                                     : std::uniform_int_distribution<std::size_t>(1, 25)(random);
        const std::size_t to = std::min(lines.size(), from + size);
        parts.dateOfCalc = AddSeconds(final, -3600);
        parts.Pass(Join(lines, from, to), split % 3 == 0);
        from = to;
      }
      parts.dateOfCalc = final;
      parts.Pass("", split % 3 == 0);
      SCOPED_TRACE("seed " + std::to_string(seed) + " split " + std::to_string(split));
      ASSERT_EQ(parts.History(), history);
      ASSERT_EQ(parts.Logins(), logins);
      ASSERT_EQ(parts.StoredEvents(), whole.StoredEvents());
      if (split % 3 == 0) {
        ASSERT_EQ(parts.runs.size(), whole.runs.size());
        for (std::size_t i = 0; i < whole.runs.size(); ++i) {
          EXPECT_EQ(parts.runs[i]->rRunID, whole.runs[i]->rRunID);
          EXPECT_EQ(parts.runs[i]->rEndDateTime, whole.runs[i]->rEndDateTime);
          EXPECT_EQ(parts.runs[i]->rArrOfLogins.size(), whole.runs[i]->rArrOfLogins.size());
        }
      }
    }
  }
}

}  // namespace
}  // namespace brenvik::test
