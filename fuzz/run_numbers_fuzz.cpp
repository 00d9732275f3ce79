// Run-number texts: the runs they name are listed once each, in ascending
// order, and never more than there are runs plus, per piece of the text, the
// numbers of one short range (numbers beyond the first run name no run but
// are kept; a range of up to 1,000 numbers is listed whole, a longer one is
// cut at the first run).
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "reports/logins/login_report.h"

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::int32_t lastRunID = data[0] | (data[1] << 8);
  const std::string text(fuzz::AsText(data + 2, size - 2));
  const std::vector<std::int32_t> ids = ParseRunNumbers(text, lastRunID);
  fuzz::Check(std::adjacent_find(ids.begin(), ids.end(), std::greater_equal<>()) == ids.end(),
              "run IDs are not strictly ascending");
  const auto pieces = static_cast<std::size_t>(std::count(text.begin(), text.end(), ',') +
                                               std::count(text.begin(), text.end(), ';') + 1);
  constexpr std::size_t kShortRange = 1000;
  fuzz::Check(ids.size() <= static_cast<std::size_t>(lastRunID) + pieces * kShortRange,
              "too many run IDs");
  return 0;
}
