// The activity-log line reader over any text: every call must move on, and
// what it reads, or reports, is well-formed UTF-8.
#include <cstddef>
#include <cstdint>

#include "base/utf8.h"
#include "datastore/service_link/log_line_reader.h"
#include "fuzz_support.h"
#include "support/fakes.h"

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::AsText(data, size);
  DiagnosticLog log;
  test::FakeClock clock;
  const LineDiagnostics diagnostics{log, clock};
  int pos = 1;
  LogLineEntry entry;
  for (;;) {
    const int before = pos;
    const bool read = FetchNextEntry(text, pos, entry, diagnostics);
    if (read) {
      fuzz::Check(
          IsValidUtf8(entry.domain) && IsValidUtf8(entry.user) && IsValidUtf8(entry.parameter),
          "a line read gives texts that are not UTF-8");
    }
    if (!read && static_cast<std::size_t>(pos) >= text.size()) break;
    fuzz::Check(pos > before, "the reader does not move on");
  }
  for (const LogEntry& e : log.Entries()) {
    fuzz::Check(IsValidUtf8(e.description), "a diagnostic is not UTF-8");
  }
  return 0;
}
