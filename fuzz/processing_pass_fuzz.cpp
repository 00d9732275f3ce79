// Whole processing passes over any activity-log text, handed over in two
// pieces (the second pass also builds the computer-runs tree), then two
// passes with nothing new at the same moment: they only replay what is
// stored, so the second must give the rows of the first again. (The first
// may differ from what came before: after a Windows stop line the pass
// writes a provisional row for the run the computer is in now.)
#include <cstddef>
#include <cstdint>
#include <iostream>

#include "datastore/pass/pass_fixture.h"
#include "fuzz_support.h"

using namespace brenvik;

namespace {

template <typename Row>
void CheckSame(const std::vector<Row>& before, const std::vector<Row>& after, const char* what) {
  if (before == after) return;
  std::cerr << "before:\n";
  for (const Row& row : before) std::cerr << "  " << row << "\n";
  std::cerr << "after:\n";
  for (const Row& row : after) std::cerr << "  " << row << "\n";
  fuzz::Check(false, what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = fuzz::SplitInput(fuzz::AsText(data, size), 2);
  test::PassFixture pass;
  pass.Pass(std::string(parts[0]));
  if (parts.size() > 1) pass.Pass(std::string(parts[1]), true);
  pass.Pass(std::string());
  const auto history = pass.History();
  const auto logins = pass.Logins();
  pass.Pass(std::string());
  CheckSame(history, pass.History(), "a second pass without new lines changes the history");
  CheckSame(logins, pass.Logins(), "a second pass without new lines changes the logins");
  return 0;
}
