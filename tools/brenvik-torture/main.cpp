// brenvik-torture: the crash torture of the data store (torture_run.h).
//   brenvik-torture --cli PATH --service PATH --work DIR [--seed N]
//                   [--seconds S] [--sessions N] [--lines-per-session N] [--verbose]
// Prints the seed first, so that a failure can be run again, and the
// figures at the end; exits 1 when a fault was found.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "torture_run.h"
#include "tree_audit.h"

int main(int argc, char** argv) {
  using namespace brenvik::torture;
  TortureOptions o;
  o.seed = static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count() %
                                      1000000007);
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    if (name == "--dump" && i + 1 < argc) {  // the rows of a data folder, for a look at a fault
      const TreeRows rows = ReadTreeRows(argv[i + 1]);
      for (const auto& [table, list] :
           {std::pair{"History", &rows.history}, std::pair{"Logins", &rows.logins},
            std::pair{"Transactions", &rows.transactions}}) {
        for (const auto& row : *list) {
          std::string line = table;
          for (const std::string& v : row) line += ";" + v;
          std::printf("%s\n", line.c_str());
        }
      }
      return 0;
    }
    if (name == "--verbose") {
      o.verbose = true;
      --i;
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "brenvik-torture: %s wants a value\n", name.c_str());
      return 2;
    }
    const std::string value = argv[i + 1];
    if (name == "--cli") {
      o.cliPath = value;
    } else if (name == "--service") {
      o.servicePath = value;
    } else if (name == "--work") {
      o.workFolder = value;
    } else if (name == "--seed") {
      o.seed = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    } else if (name == "--seconds") {
      o.seconds = std::strtod(value.c_str(), nullptr);
    } else if (name == "--sessions") {
      o.sessions = std::strtoul(value.c_str(), nullptr, 10);
    } else if (name == "--lines-per-session") {
      o.linesPerSession = std::strtoul(value.c_str(), nullptr, 10);
    } else {
      std::fprintf(stderr, "brenvik-torture: unknown option %s\n", name.c_str());
      return 2;
    }
  }
  if (o.cliPath.empty() || o.servicePath.empty() || o.workFolder.empty()) {
    std::fprintf(stderr,
                 "usage: brenvik-torture --cli PATH --service PATH --work DIR [--seed N] "
                 "[--seconds S] [--sessions N] [--lines-per-session N] [--verbose]\n");
    return 2;
  }
  std::printf("seed %u (run again with --seed %u)\n", o.seed, o.seed);
  std::fflush(stdout);
  // Both trees take the same times whatever the machine's zone.
  setenv("TZ", "UTC", 1);
  TortureFigures f;
  const auto start = std::chrono::steady_clock::now();
  const std::string fault = RunTorture(o, f);
  const double took =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf(
      "%.0f s: %zu pieces, %zu lines fed; %zu runs of brenvik-cli, %zu killed "
      "(%zu after a delay, %zu right after a file change), %zu ended before their kill; "
      "%zu audits of the lines, most pending after a kill %zu, %zu journals left beside fresh "
      "backups, %zu journal appends torn after a kill, %zu compactions of the change log; "
      "%zu comparisons, the last of %zu History, %zu Logins and %zu Transactions rows\n",
      took, f.pieces, f.linesFed, f.runs, f.kills, f.killsAfterDelay, f.killsAfterFileEvent,
      f.endedBeforeKill, f.audits, f.maxPendingSeen, f.journalsLeftBesideBackups,
      f.tornJournalAppends, f.compactions, f.comparisons, f.historyRowsCompared,
      f.loginRowsCompared, f.transactionRowsCompared);
  if (!fault.empty()) {
    std::printf("FAULT (seed %u, piece %zu): %s\n", o.seed, f.pieces, fault.c_str());
    return 1;
  }
  std::printf("nothing lost or doubled\n");
  return 0;
}
