// The plain records passed around by the processing pass, the login report and
// program tracking. Every field starts at the initial value the processing
// relies on; Reset(...) puts a record back to those values.
//
// Ownership: TArrRecComputerRun and TArrReportEntry own their elements.
// Destroying a run node first destroys the login nodes of its rArrOfLogins.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "records/date_time.h"

namespace brenvik {

enum class TProgrameType : std::uint8_t { ptWindows = 0, ptProgramm = 1 };

struct TRecUptimeEntry {
  TProgrameType rType = TProgrameType::ptWindows;
  DateTime rStartDateTime = ZeroDateTime;
  DateTime rEndDateTime = ZeroDateTime;
  std::int32_t rGMTOffset = 0;
  std::int32_t rIdleSeconds = 0;
  std::int32_t rActiveSeconds = 0;
  std::string rUserName;
  std::string rDomain;
  std::string rParam;
  bool rClosedOk = true;
  std::uint32_t rHandleNo = 0;
  bool rRecordIncomplete = true;
};

struct TRecLoginEntry {
  std::int32_t rRunID = 0;
  DateTime rStartDateTime = ZeroDateTime;
  DateTime rEndDateTime = ZeroDateTime;
  std::int32_t rGMTOffset = 0;
  DateTime rIdleStartDateTime = ZeroDateTime;
  std::int32_t rIdleSecondsTotal = 0;
  std::int32_t rIdleSeconds = 0;
  bool rIsInIdleState = false;
  DateTime rActiveStartDateTime = ZeroDateTime;
  std::int32_t rActiveSeconds = 0;
  bool rIsActive = false;
  bool rConsoleDisconnected = true;
  std::string rUserName;
  std::string rDomain;
  bool rClosedOk = true;
  bool rRecordIncomplete = true;
  bool rLoginActive = false;
};

struct TRecComputerRun;
using TArrRecComputerRun = std::vector<std::unique_ptr<TRecComputerRun>>;

struct TRecComputerRun {
  std::int32_t rRunID = 0;
  DateTime rStartDateTime = ZeroDateTime;
  DateTime rEndDateTime = ZeroDateTime;
  TArrRecComputerRun rArrOfLogins;
  std::int32_t rIdleSeconds = 0;
  std::int32_t rActiveSeconds = 0;
  std::int32_t rUptimeSeconds = 0;
  std::int32_t rLockedSeconds = 0;
  std::string rUserName;
  std::string rDomain;
  bool rClosedOk = true;
  bool rRecordIncomplete = true;
  bool rLoginActive = false;
  std::uint16_t rStateOfInit = 0;
  std::int32_t Level = 0;
};

struct TRecProgramme {
  std::int32_t rType = -1;
  std::string rProgrammeName;
  std::string rIconLocation;
  std::string rProgrammePublisher;
  std::string rProgrammeVersion;
  std::string rUninstallerLocation;
  std::string rInstallDate;
  std::string rURLInfoAbout;
  std::string rLongExePath;
  std::string rLocation;
  std::string rInfoAboutLink;
  std::int32_t rIcon = -1;
  std::int32_t rStatus = 0;  // not touched by Reset
  bool rFileDeleted = false;
};

struct TReportEntry {
  std::int32_t rItemCount = 0;
  std::string rString;
  std::int32_t rUptimeSec = 0;
  std::int32_t rActiveSec = 0;
};
using TArrReportEntry = std::vector<std::unique_ptr<TReportEntry>>;

void Reset(TRecUptimeEntry& entry);
void Reset(TRecLoginEntry& entry);
// Resets every field but rStatus, which the initialiser leaves alone.
void Reset(TRecProgramme& programme);

}  // namespace brenvik
