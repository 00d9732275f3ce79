// The uptime report over DataSetHistoryClone: the four calculated fields of
// the history clones, the summary in its plain and HTML forms, the report's
// open / closed / out-of-date state, sorting by a grid column, the Shift
// range selection and the summary of a multiple selection, and the row
// properties the grid draws (crash colour, title image). The grid widget
// reads all of it and holds no rules of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "datastore/tables/table.h"
#include "reports/uptime/program_directory.h"

namespace brenvik {

// Computes cdsHistoryRecUptime, cdsHistoryRecActTime, cdsHistoryRecIdleTime
// (compact durations, empty when start or end is null) and
// cdsHistoryRecProgramTitle ("Windows" rows keep their path text, programs
// get their title; titles are read once per path). The directory must
// outlive the handler; a title that cannot be read raises its error.
Cursor::CalcHandler MakeHistoryCalcHandler(ProgramDirectory& programs);

struct UptimeSummary {
  std::string plain;  // the summary lines followed by the filters description
  std::string html;   // gStrCompUptime
};

// The summary of the report cursor's rows (the cursor ends on the last row).
// filtersPlain / filtersHtml are the description of the filters used.
UptimeSummary ShowSummary(Cursor& report, const std::string& filtersPlain,
                          const std::string& filtersHtml, DateTime now);

inline constexpr const char* kReportOutOfDateNotice =
    "Report was closed, because it is out of date.<br>Press button <b>Browse uptime "
    "history</b> again.";

// The report's state on the "Uptime history" tab.
struct UptimeReportState {
  bool reportOpen = false;         // gbBrowseHistoryDone
  bool dataSourceEnabled = false;  // the grid shows the report cursor
  bool noticeVisible = false;      // JvHTLabel8 and Image8
  std::string summaryText;         // JvRichEditHistory
  std::string summaryHtml;         // gStrCompUptime: the HTML summary for the export
};

// Why the report's state is reset: a browse begins (the out-of-date notice is
// hidden), or the tables changed under an open report (it is closed as out of
// date and the notice shown).
enum class UptimeReportReset { BrowseBegins = 1, OutOfDate = 2 };

void ResetUptimeHistory(UptimeReportState& state, UptimeReportReset reason);

// The key fields a grid column sorts by: durations by their seconds, the
// title by the path, every other column by its own field.
std::vector<std::string> SortKeyFields(const std::string& fieldName);
// A click on a column title: ascending, or descending when the column is
// sorted ascending. False when the column cannot be sorted.
bool SortReportByColumn(Cursor& report, const std::string& fieldName);

// Background of a crashed row (cdsHistoryClosedOk false), in every column and
// also when selected.
struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kCrashColour{243, 203, 175};
std::optional<Rgb> RowBackground(const Cursor& row);
// The image drawn in the title column: 1 for Windows rows, else the cache's
// icon of the path, -1 (none; the text then starts 16 pixels in) when the
// path is not cached.
int ProgramTitleImageIndex(const Cursor& row, const ProgramDirectory& programs);

// The Shift range selection of the grid over row numbers of the report's
// view. A plain click selects one row and a Ctrl click toggles one (the
// grid's own handling); without Shift the anchor is dropped; the clicked row
// becomes the anchor when there is none, else the end, and a Shift click with
// an anchor adds every row from the anchor to the clicked one.
class GridRangeSelection {
 public:
  void Click(std::size_t recNo, bool shift, bool ctrl);
  const std::set<std::size_t>& Selected() const { return selected_; }
  void Clear();
  // Selects exactly these rows (a bar of the chart); the first becomes the
  // anchor of a following Shift click.
  void SelectRows(std::set<std::size_t> recNos);

 private:
  std::set<std::size_t> selected_;
  std::optional<std::size_t> bm1_;
  std::optional<std::size_t> bm2_;
};

// What the labels under the grid show for a selection.
struct SelectionSummary {
  bool visible = false;
  std::string uptimeText;  // Label35: the uptime of the selected rows together
  std::string sourceText;  // Label36: what the rows are of, with their count
  enum class Image { Keep, None, Program } image = Image::Keep;
  int imageIndex = -1;  // with Image::Program
};

// The labels for the selected rows (row numbers of the report's view). With
// no rows in the report nothing changes (nullopt); with fewer than two
// selected rows the labels are hidden. The cursor ends on the last selected
// row.
std::optional<SelectionSummary> ProcessDBGridSelection(Cursor& report,
                                                       const std::set<std::size_t>& selected,
                                                       const ProgramDirectory& programs,
                                                       DateTime now);

}  // namespace brenvik
