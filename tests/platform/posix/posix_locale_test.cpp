#include "platform/posix/posix_locale.h"

#include <gtest/gtest.h>

#include "reports/logins/login_tree.h"
#include "support/posix/generated_locale.h"

namespace brenvik {
namespace {

// localedef takes seconds per locale: the suite builds each one once.
class PosixLocaleTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { locales_ = new test::GeneratedLocales; }
  static void TearDownTestSuite() {
    delete locales_;
    locales_ = nullptr;
  }
  void Use(const std::string& source) {
    if (!locales_->Activate(source)) GTEST_SKIP() << "localedef cannot build " << source;
  }
  static test::GeneratedLocales* locales_;
  PosixLocale locale_;
};

test::GeneratedLocales* PosixLocaleTest::locales_ = nullptr;

TEST_F(PosixLocaleTest, TheFirstDayOfTheWeekIsTheLocales) {
  Use("en_US");
  EXPECT_EQ(locale_.Current().firstDayOfWeek, 6);  // Sunday
  Use("de_DE");
  EXPECT_EQ(locale_.Current().firstDayOfWeek, 0);  // Monday
}

TEST_F(PosixLocaleTest, TextsCompareByTheLocaleAndKeepLetterCase) {
  Use("en_US");
  EXPECT_LT(locale_.CompareText("ann", "Bob"), 0);
  EXPECT_GT(locale_.CompareText("carl", "Bob"), 0);
  EXPECT_NE(locale_.CompareText("bob", "Bob"), 0);
  EXPECT_EQ(locale_.CompareText("Bob", "Bob"), 0);
}

TEST_F(PosixLocaleTest, TheLoginTreeSortsUsersByTheLocale) {
  Use("en_US");
  TRecComputerRun run, bob, ann, carl;
  run.Level = 0;
  for (auto [login, name] : {std::pair{&bob, "Bob"}, {&carl, "carl"}, {&ann, "ann"}}) {
    login->Level = 1;
    login->rUserName = name;
  }
  LoginTree tree;
  tree.SetTextOrder(locale_.Order());
  tree.AddRun(&run);
  for (TRecComputerRun* login : {&bob, &carl, &ann}) tree.AddLogin(login);
  tree.SetSortState(0, SortOrder::Ascending);
  tree.Sort();
  std::string order;
  for (const TRecComputerRun* login : tree.Runs()[0].logins) order += login->rUserName + " ";
  EXPECT_EQ(order, "ann Bob carl ");
}

}  // namespace
}  // namespace brenvik
