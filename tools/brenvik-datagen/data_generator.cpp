#include "data_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "base/file_io.h"
#include "datastore/service_link/event_codes.h"
#include "datastore/service_link/log_line_reader.h"
#include "datastore/startup/tables.h"
#include "platform/platform.h"
#include "records/time_arithmetic.h"

namespace brenvik::datagen {
namespace {

const char* const kPrograms[] = {"C:\\Program Files\\Mozilla Firefox\\firefox.exe",
                                 "C:\\Program Files\\GIMP 2\\bin\\gimp-2.10.exe",
                                 "C:\\Windows\\notepad.exe",
                                 "C:\\Program Files\\LibreOffice\\program\\soffice.exe",
                                 "C:\\Program Files\\VideoLAN\\VLC\\vlc.exe",
                                 "C:\\Games\\Chess\\chess.exe",
                                 "/usr/bin/firefox",
                                 "/usr/bin/code",
                                 "/usr/bin/thunderbird",
                                 "/usr/bin/gimp",
                                 "/usr/bin/inkscape",
                                 "/opt/zoom/zoom"};
constexpr std::size_t kProgramCount = sizeof(kPrograms) / sizeof(kPrograms[0]);
const char* const kUsers[] = {"ann", "bob", "eve"};

std::int64_t Epoch(DateTime t) { return std::llround((t - 25569.0) * 86400.0); }

// The date-time field of a log line.
std::string Stamp(DateTime t) {
  const DateParts d = DecodeDate(t);
  const TimeParts c = DecodeTime(t);
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day,
                c.hour, c.minute, c.second);
  return stamp;
}

}  // namespace

GeneratedHistory GenerateHistory(const GeneratorOptions& options, Table& history, Table& logins) {
  std::mt19937 random(options.seed);
  GeneratedHistory out;
  DateTime boot = options.firstBoot;
  for (std::size_t run = 1; run <= options.boots; ++run) {
    const auto scaled = [&options](std::int64_t seconds) {
      return std::max<std::int64_t>(60,
                                    std::llround(static_cast<double>(seconds) * options.timeScale));
    };
    const std::int64_t uptime = scaled(1800 + static_cast<std::int64_t>(random() % (10 * 3600)));
    const DateTime end = AddSeconds(boot, uptime);
    // The last run ends with a clean stop, as a tree the service and the
    // processing left between two boots does (a crash is only known once
    // the next boot is seen).
    const bool closedOk = random() % 50 != 0 || run == options.boots;
    const auto idle = static_cast<std::int32_t>(random() % (uptime / 4));
    const std::string user = kUsers[random() % 3];
    const auto id = static_cast<std::int64_t>(run);
    for (std::size_t p = 0; p < options.programsPerBoot; ++p) {
      const std::int64_t offset = static_cast<std::int64_t>(random() % (uptime / 2));
      const std::int64_t length = 60 + static_cast<std::int64_t>(random() % (uptime / 2));
      const DateTime start = AddSeconds(boot, offset);
      history.Append({id, user + " [PC1]", kPrograms[random() % kProgramCount], FieldValue{}, start,
                      AddSeconds(start, length), FieldValue{}, FieldValue{}, FieldValue{}, length,
                      std::int32_t{0}, length, false, closedOk, false, false});
      ++out.programRows;
    }
    history.Append({id, "", "Windows", FieldValue{}, boot, end, FieldValue{}, FieldValue{},
                    FieldValue{}, uptime, idle, std::int64_t{uptime - idle}, true, closedOk, false,
                    false});
    logins.Append({id, user, "PC1", AddSeconds(boot, 40), end, uptime - 40, idle,
                   std::int64_t{uptime - 40 - idle}, closedOk, false, false});
    ++out.loginRows;
    out.boots.push_back({boot, end, closedOk});
    out.windowsUptimeSeconds += uptime;
    out.crashes += closedOk ? 0 : 1;
    boot = AddSeconds(end, scaled(600 + static_cast<std::int64_t>(random() % (14 * 3600))));
  }
  return out;
}

GeneratedHistory WriteDataTree(const GeneratorOptions& options, const std::string& dataFolder) {
  const auto files = CreateNativeFileSystem();  // outlives the tables
  Table history("DataSetHistory", HistorySchema());
  Table logins("DataSetLogins", LoginsSchema());
  Table transactions("DataSetTransactions", TransactionsSchema());
  for (Table* t : {&history, &logins, &transactions}) t->CreateEmpty();
  GeneratedHistory out = GenerateHistory(options, history, logins);
  // What the pass that read the last stop keeps: that stop alone, whose
  // replay counts the run number up for the next boot.
  if (!out.boots.empty()) {
    AppendTransaction(transactions, out.boots.back().end, 0, kEventWindowsStop, "", "", 0, "");
  }
  files->CreateFolders(dataFolder);
  history.SetFileName(*files, dataFolder + kHistoryFile);
  logins.SetFileName(*files, dataFolder + kLoginsFile);
  transactions.SetFileName(*files, dataFolder + kTransactionsFile);
  for (Table* t : {&history, &logins, &transactions}) t->Save();
  return out;
}

std::string SessionLines(DateTime utcStart, std::size_t lines, std::uint32_t seed, bool withStart,
                         DateTime& nextUtc) {
  std::mt19937 random(seed);
  std::string text;
  DateTime t = utcStart;
  const auto line = [&text, &t](int event, const std::string& user, const std::string& parameter,
                                std::uint32_t handle) {
    text += Stamp(t) + ";7200;" + (user.empty() ? "" : "PC1") + "|" + user + ";" +
            std::to_string(event) + ";" + parameter + ";" + std::to_string(handle) + "\r\n";
  };
  std::size_t written = 0;
  if (withStart) {
    line(1, "", "", 0);
    line(5, "ann", "1", 0);
    written = 2;
  }
  std::vector<std::uint32_t> running;
  std::uint32_t nextHandle = 1000 + seed % 1000 * 100;
  for (; written < lines; ++written) {
    t = AddSeconds(t, 30);
    const unsigned what = random() % 8;
    if (what < 2) {
      running.push_back(nextHandle);
      line(3, "ann", kPrograms[nextHandle % kProgramCount], nextHandle);
      ++nextHandle;
    } else if (what < 4 && !running.empty()) {
      const std::uint32_t h = running.front();
      running.erase(running.begin());
      line(4, "ann", kPrograms[h % kProgramCount], h);
    } else if (what < 7) {
      line(8, "", "", 0);
    } else {
      line(9, "ann", random() % 2 ? "0" : "120", 0);
    }
  }
  nextUtc = AddSeconds(t, 30);
  return text;
}

std::string ActivityLog(DateTime utcStart, std::size_t sessions, std::size_t linesPerSession,
                        std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string text;
  DateTime t = utcStart;
  for (std::size_t s = 0; s < sessions; ++s) {
    const std::size_t lines = linesPerSession / 2 + random() % (linesPerSession + 1);
    DateTime next = t;
    text += SessionLines(t, std::max<std::size_t>(lines, 3),
                         seed + static_cast<std::uint32_t>(s) * 7919u, true, next);
    t = next;
    if (random() % 4 != 0) {  // a crash writes nothing more
      text += Stamp(t) + ";7200;PC1|ann;6;0;0\r\n";
      text += Stamp(t) + ";7200;|;2;;0\r\n";
    }
    t = AddSeconds(t, 60 + static_cast<std::int64_t>(random() % (6 * 3600)));
  }
  return text;
}

std::string BootsCsv(const GeneratedHistory& history) {
  std::string out;
  for (std::size_t i = 0; i < history.boots.size(); ++i) {
    const GeneratedBoot& b = history.boots[i];
    const std::int64_t down =
        i + 1 < history.boots.size() ? Epoch(history.boots[i + 1].start) - Epoch(b.end) : 0;
    out += std::to_string(Epoch(b.start)) + "," + std::to_string(Epoch(b.end) - Epoch(b.start)) +
           "," + std::to_string(Epoch(b.end)) + "," + (b.closedOk ? "0" : "1") + "," +
           std::to_string(down) + "\n";
  }
  return out;
}

}  // namespace brenvik::datagen
