// Building uptime history tables for report tests: one call per row with
// only the values a test cares about.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "datastore/tables/table.h"
#include "records/date_time.h"

namespace brenvik::test {

struct HistoryRow {
  std::string user;
  std::string exePath = "Windows";
  DateTime start = 0;
  DateTime end = 0;
  std::int64_t uptimeSeconds = -1;  // -1: the seconds between start and end
  std::int32_t idleSeconds = 0;
  std::int64_t activeSeconds = 0;
  bool closedOk = true;
  bool incomplete = false;
  bool imported = false;
  std::int64_t runId = 1;
  bool nullTimes = false;  // start and end left null
  bool nullEnd = false;    // the end alone left null
  bool nullSpans = false;  // idle and active seconds left null
};

// A fresh, open DataSetHistory table without rows.
std::unique_ptr<Table> MakeHistoryTable();
void AppendHistoryRow(Table& table, const HistoryRow& row);

}  // namespace brenvik::test
