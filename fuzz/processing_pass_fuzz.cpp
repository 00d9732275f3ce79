// Whole processing passes over any activity-log text, handed over in two
// pieces (the second pass also builds the computer-runs tree), then a pass
// with nothing new: that one only replays what is stored, so it must give
// the same rows again.
#include <cstddef>
#include <cstdint>

#include "datastore/pass_fixture.h"
#include "fuzz_support.h"

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = fuzz::SplitInput(fuzz::AsText(data, size), 2);
  test::PassFixture pass;
  pass.Pass(std::string(parts[0]));
  if (parts.size() > 1) pass.Pass(std::string(parts[1]), true);
  const auto history = pass.History();
  const auto logins = pass.Logins();
  pass.Pass(std::string());
  fuzz::Check(pass.History() == history, "a pass without new lines changes the history");
  fuzz::Check(pass.Logins() == logins, "a pass without new lines changes the logins");
  return 0;
}
