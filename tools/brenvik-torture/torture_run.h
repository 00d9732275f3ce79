// The crash torture: two data trees, each served by the service stand-in in
// replay mode, are fed the same long activity log in small pieces. After
// each piece the reference tree gets one run of brenvik-cli; the tortured
// tree gets several that are killed with SIGKILL at random moments (after a
// random delay, or right after a random one of the file changes a run
// makes), then one that must finish. Between runs the tortured tree's lines
// are accounted for; after each piece its History, Logins and Transactions
// rows and its report must equal the reference's.
#pragma once

#include <cstdint>
#include <string>

namespace brenvik::torture {

struct TortureOptions {
  std::string cliPath;
  std::string servicePath;
  std::string workFolder;  // emptied and filled with the two trees
  std::uint32_t seed = 1;
  double seconds = 60;        // feeding stops when this has passed
  std::size_t sessions = 40;  // of the generated log
  std::size_t linesPerSession = 60;
  std::size_t historyBoots = 200;  // generated history the trees start with
  int maxKillsPerPiece = 6;
  bool verbose = false;  // every run and account on stdout
};

struct TortureFigures {
  std::size_t pieces = 0;
  std::size_t linesFed = 0;
  std::size_t runs = 0;
  std::size_t kills = 0;
  std::size_t killsAfterDelay = 0;
  std::size_t killsAfterFileEvent = 0;
  std::size_t endedBeforeKill = 0;
  std::size_t audits = 0;
  std::size_t historyRowsCompared = 0;  // in the last comparison
  std::size_t loginRowsCompared = 0;
  std::size_t transactionRowsCompared = 0;
  std::size_t comparisons = 0;
  std::size_t maxPendingSeen = 0;
  // kills between the backups and the deletion of the journal
  std::size_t journalsLeftBesideBackups = 0;
  std::size_t compactions = 0;  // of the change log, seen between runs  // lines waiting in the
                                // hand-over files after a kill
  // kills during a run that appended to the journal and committed nothing,
  // after which the append was torn as a crash of the machine would leave it
  std::size_t tornJournalAppends = 0;
};

// Returns "" when everything held, else the first fault found (the figures
// say how far it got).
std::string RunTorture(const TortureOptions& options, TortureFigures& figures);

}  // namespace brenvik::torture
