// The diagnostic log over any file: the entries it loads are written back
// and read again unchanged, within the size limit, once a new entry is
// added.
#include <cstddef>
#include <cstdint>

#include "base/utf8.h"
#include "datastore/service_link/diagnostic_log.h"
#include "fuzz_support.h"
#include "support/failing_file_system.h"

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::WriteScratchFile("UptimeLog.dat", fuzz::AsText(data, size));
  DiagnosticLog log;
  log.SetLogFile(test::NativeFiles(), path);
  for (const LogEntry& entry : log.Entries()) {
    std::string line = DiagnosticLog::FormatLine(entry);
    line.resize(line.size() - 2);  // the CR LF
    LogEntry again;
    fuzz::Check(DiagnosticLog::ParseLine(line, again) && again == entry,
                "an entry does not read back as written");
  }
  log.AddLogEntry("2013-04-30 12:00:00", "function FetchNextEntry",
                  "StringToDateTime returned false, parameter was:x");
  std::size_t chars = 0;
  for (const LogEntry& entry : log.Entries()) chars += CharCount(DiagnosticLog::FormatLine(entry));
  const std::size_t last = CharCount(DiagnosticLog::FormatLine(log.Entries().back()));
  fuzz::Check(chars - last < DiagnosticLog::kSizeLimit,
              "older entries beyond the size limit are kept");

  DiagnosticLog reread;
  reread.SetLogFile(test::NativeFiles(), path);
  fuzz::Check(reread.Entries() == log.Entries(), "the saved log reads back otherwise");
  return 0;
}
