// The reader of the activity log: FetchNextEntry takes the next line out of
// the text the hand-over delivered and splits it into typed values, and
// AppendTransaction stores a line that was read as a row of
// DataSetTransactions.
//
// A line is six fields separated by semicolons:
//   date-time ; offset ; domain|user ; event ; parameter ; handle
// Lines are separated by any run of carriage returns and line feeds. A line
// that cannot be read costs only itself: FetchNextEntry writes one entry to
// the diagnostic log and returns false, and the caller goes on with the next
// line. Texts are UTF-8; bytes that are not are replaced by U+FFFD, so what
// reaches the tables and the diagnostic log is always well-formed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "datastore/service_link/diagnostic_log.h"
#include "datastore/tables/table.h"
#include "platform/clock.h"
#include "records/date_time.h"

namespace brenvik {

inline constexpr const char* kFetchNextEntryTitle = "function FetchNextEntry";
inline constexpr const char* kBadDateTimeDiagnostic =
    "StringToDateTime returned false, parameter was:";
inline constexpr const char* kBadEventDiagnostic = "Val returned <> 0 (sEvent), param was:";
inline constexpr const char* kBadHandleDiagnostic = "Val returned <> 0 (sHandle), param was:";
// A diagnostic quotes at most this many characters of the field.
inline constexpr std::size_t kDiagnosticQuoteLimit = 1000;

// The values of one line.
struct LogLineEntry {
  DateTime dateTime = 0;    // UTC, whole seconds
  std::int32_t offset = 0;  // seconds, local minus UTC
  std::string domain;
  std::string user;
  std::int32_t event = 0;
  std::string parameter;
  std::uint32_t handle = 0;  // the low 32 bits of the handle field; 0 when empty
  bool operator==(const LogLineEntry&) const = default;
};

// How many bad lines of one text get a diagnostic of their own: a text of
// garbage would otherwise write an entry (and rewrite the log file) for every
// one of its lines, and push every older entry out of the log. The lines
// past the limit are only counted.
struct DiagnosticQuota {
  std::size_t left = 20;
  std::size_t withheld = 0;
};
inline constexpr const char* kWithheldDiagnostics = "more lines could not be read in this pass: ";

// Where a line that cannot be read is reported: an entry of log, stamped with
// the clock's local time written with AppFormatSettings(); quota, when
// given, limits the entries.
struct LineDiagnostics {
  DiagnosticLog& log;
  Clock& clock;
  DiagnosticQuota* quota = nullptr;
};

// Writes the one entry that counts the lines withheld by quota, if any.
void NoteWithheldDiagnostics(const LineDiagnostics& diagnostics);

// Reads the line of text that starts at the 1-based byte position pos, and
// moves pos past it and the line breaks after it. Returns false when the line
// cannot be read (after writing its diagnostic; entry is then partly
// overwritten), when the line is empty, or without reading anything when
// pos is at or past the last byte of text. Callers keep calling while the
// result is true or pos is still less than the length of text. A diagnostic
// log that cannot be written raises FileError.
bool FetchNextEntry(std::string_view text, int& pos, LogLineEntry& entry,
                    const LineDiagnostics& diagnostics);

// Appends one row to the transactions table: the values in its field order,
// the two spare texts empty.
void AppendTransaction(Cursor& transactions, DateTime dateTime, std::int32_t offset,
                       std::int32_t event, const std::string& domain, const std::string& user,
                       std::int64_t handle, const std::string& parameter);

}  // namespace brenvik
