#include "torture_run.h"

#include <signal.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <thread>

#include "base/errors.h"
#include "base/file_io.h"
#include "child_process.h"
#include "data_generator.h"
#include "datastore/service_link/journal.h"
#include "datastore/startup/tables.h"
#include "platform/platform.h"
#include "records/date_time.h"
#include "records/text_helpers.h"
#include "tree_audit.h"

namespace brenvik::torture {
namespace {

namespace fs = std::filesystem;
using Random = std::mt19937_64;

constexpr const char* kNow = "2030-01-01 12:00:00";
constexpr const char* kReplayState = "BrenvikReplay.state";

// One data tree with its replayed log and the service serving it.
struct Tree {
  std::string root;    // ends with '/'
  std::string data;    // root + "Data/"
  std::string log;     // the replayed activity log
  std::string output;  // what the last run of brenvik-cli printed
  pid_t service = -1;
};

Tree MakeTree(const std::string& work, const std::string& name, const TortureOptions& o) {
  Tree t;
  t.root = work + name + "/";
  t.data = t.root + "Data/";
  t.log = work + name + ".log";
  t.output = work + name + ".out";
  const auto files = CreateNativeFileSystem();
  files->CreateFolders(t.data + "Backup");
  files->CreateFolders(t.root + "Settings");
  datagen::GeneratorOptions g;
  g.boots = o.historyBoots;
  g.programsPerBoot = 4;
  g.seed = o.seed;
  datagen::WriteDataTree(g, t.data);
  std::ofstream(t.log, std::ios::binary).flush();
  return t;
}

// The services are ended with the torture, also when it is stopped by a
// signal (a time-out of the test command).
pid_t gServices[2] = {-1, -1};

void EndServicesAndExit(int signal) {
  for (pid_t pid : gServices) {
    if (pid > 0) ::kill(pid, SIGKILL);
  }
  std::_Exit(128 + signal);
}

void StartService(Tree& t, const TortureOptions& o) {
  t.service = Spawn({o.servicePath, "--root", t.root, "--replay", t.log}, t.root + "service.out");
  gServices[gServices[0] > 0 ? 1 : 0] = t.service;
  std::signal(SIGTERM, EndServicesAndExit);
  std::signal(SIGINT, EndServicesAndExit);
  const std::string socket = t.data + "pipe server KRTV8810452MPLQWZXHBEN39017TAUYD";
  for (int i = 0; i < 500 && !fs::exists(socket); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!fs::exists(socket)) throw Error("the service of " + t.root + " did not start");
}

void AppendToLog(const Tree& t, const std::string& text) {
  std::ofstream out(t.log, std::ios::binary | std::ios::app);
  out << text;
  out.flush();
  if (!out) throw FileError("cannot append to " + t.log);
}

// "watch list" makes one processing pass (that of the start-up) and prints
// little; "uptime-report" makes a second one and prints the figures.
std::vector<std::string> CliArgs(const TortureOptions& o, const Tree& t,
                                 const char* command = "watch list") {
  std::vector<std::string> args{o.cliPath, "--root", t.root, "--now", kNow, "--uptime", "3600"};
  for (const std::string& word : SplitByChar(command, ' ')) args.push_back(word);
  return args;
}

// A run that is meant to finish must finish cleanly and print only its report.
std::string CheckFinishedRun(const ChildResult& r, const Tree& t, std::string& report) {
  report = ReadFileBytes(t.output);
  if (r.killed || r.exitCode != 0) {
    return "brenvik-cli on " + t.root + " ended with " + std::to_string(r.exitCode) + ":\n" +
           report;
  }
  if (report.find("brenvik-cli:") != std::string::npos ||
      report.find("Database") != std::string::npos ||
      report.find("Unfortunately") != std::string::npos) {
    return "brenvik-cli on " + t.root + " reported a problem:\n" + report;
  }
  return "";
}

// The pieces of the log: runs of 1 to 12 lines.
std::vector<std::vector<std::string>> Pieces(const std::string& text, Random& random) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  std::vector<std::vector<std::string>> pieces;
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t n = std::min<std::size_t>(1 + random() % 12, lines.size() - at);
    pieces.emplace_back(lines.begin() + static_cast<std::ptrdiff_t>(at),
                        lines.begin() + static_cast<std::ptrdiff_t>(at + n));
    at += n;
  }
  return pieces;
}

class Torture {
 public:
  Torture(const TortureOptions& o, TortureFigures& f) : o_(o), f_(f), random_(o.seed) {}
  ~Torture() {
    for (Tree* t : {&reference_, &tortured_}) {
      if (t->service > 0) KillAndReap(t->service);
    }
  }

  std::string Run();

 private:
  std::string FeedPiece(const std::vector<std::string>& piece);
  void FeedRest(const std::string& text) {
    AppendToLog(tortured_, text);
    withheld_ = 0;
  }
  std::string TortureRun();
  std::string Audit(bool afterFinishedRun);
  std::string Compare();
  std::string CompareReports();
  KillPlan ChooseKill();

  const TortureOptions& o_;
  TortureFigures& f_;
  Random random_;
  Tree reference_;
  Tree tortured_;
  std::unique_ptr<FileEventWatch> watch_;
  FedLines fed_;
  // What a run that finishes takes: the basis of the kill moments.
  double finishedSeconds_ = 0.15;
  int finishedEvents_ = 40;
  // The lines the backups hold, and the backups' rows when they were made.
  std::size_t backupLines_ = 0;
  std::uint64_t logBytes_ = 0;
  std::optional<TreeRows> backupRows_;
  // Lines of the piece not yet given to the tortured tree's service.
  std::size_t withheld_ = 0;
};

std::string Torture::Run() {
  const std::string work = o_.workFolder + "/";
  fs::remove_all(work);
  fs::create_directories(work);
  reference_ = MakeTree(work, "reference", o_);
  tortured_ = MakeTree(work, "tortured", o_);
  StartService(reference_, o_);
  StartService(tortured_, o_);
  watch_ = std::make_unique<FileEventWatch>(
      std::vector<std::string>{tortured_.data, tortured_.data + "Backup"});
  const std::string log = datagen::ActivityLog(EncodeDateTime(2013, 4, 29, 6, 0, 0), o_.sessions,
                                               o_.linesPerSession, o_.seed);
  const auto pieces = Pieces(log, random_);
  const auto start = std::chrono::steady_clock::now();
  for (const auto& piece : pieces) {
    if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() >
        o_.seconds) {
      break;
    }
    if (std::string fault = FeedPiece(piece); !fault.empty()) return fault;
  }
  return CompareReports();
}

// The uptime report of both trees, from their tables.
std::string Torture::CompareReports() {
  std::string expected;
  std::string actual;
  for (auto [tree, text] : {std::pair{&reference_, &expected}, std::pair{&tortured_, &actual}}) {
    const ChildResult r =
        RunChild(CliArgs(o_, *tree, "uptime-report"), tree->output, KillPlan{}, *watch_);
    if (std::string fault = CheckFinishedRun(r, *tree, *text); !fault.empty()) return fault;
  }
  if (actual != expected)
    return "the uptime report differs:\n" + actual + "\nexpected:\n" + expected;
  return "";
}

std::string Torture::FeedPiece(const std::vector<std::string>& piece) {
  std::string text;
  for (const std::string& line : piece) {
    fed_.Add(line);
    text += line + "\r\n";
  }
  AppendToLog(reference_, text);
  // The tortured tree's service gets the piece in two parts with killed runs
  // between them, so that runs append to a journal a killed run left.
  const std::size_t split = text.find("\r\n") + 2;
  AppendToLog(tortured_, text.substr(0, split));
  withheld_ = piece.size() - 1;
  ++f_.pieces;
  f_.linesFed += piece.size();

  // Each tree ends the piece with a pass that finds no new lines: after a
  // Windows stop such a pass writes the provisional row of a run whose start
  // is not in the log yet, so the trees are compared after the same kind of
  // last pass (the tortured tree's killed passes may have taken the piece in).
  std::string ignored;
  for (int i = 0; i < 2; ++i) {
    const ChildResult ref =
        RunChild(CliArgs(o_, reference_), reference_.output, KillPlan{}, *watch_);
    if (std::string fault = CheckFinishedRun(ref, reference_, ignored); !fault.empty())
      return fault;
  }

  const int kills = static_cast<int>(random_() % static_cast<unsigned>(o_.maxKillsPerPiece + 1));
  for (int i = 0; i < kills; ++i) {
    if (i == kills / 2) FeedRest(text.substr(split));
    if (std::string fault = TortureRun(); !fault.empty()) return fault;
  }
  if (kills == 0) FeedRest(text.substr(split));
  for (int i = 0; i < 2; ++i) {
    const ChildResult last =
        RunChild(CliArgs(o_, tortured_), tortured_.output, KillPlan{}, *watch_);
    ++f_.runs;
    if (std::string fault = CheckFinishedRun(last, tortured_, ignored); !fault.empty())
      return fault;
    if (i == 0) {
      finishedSeconds_ = last.seconds;
      finishedEvents_ = std::max(last.fileEvents, 1);
    }
  }
  if (std::string fault = Audit(true); !fault.empty()) return fault;
  return Compare();
}

KillPlan Torture::ChooseKill() {
  KillPlan plan;
  if (random_() % 3 == 0) {
    plan.kind = KillPlan::Kind::AfterDelay;
    plan.delayMicros =
        static_cast<int>(random_() % static_cast<std::uint64_t>(finishedSeconds_ * 1.1e6 + 1));
  } else {
    plan.kind = KillPlan::Kind::AfterFileEvents;
    plan.fileEvents = 1 + static_cast<int>(random_() % static_cast<unsigned>(finishedEvents_));
    plan.delayMicros = random_() % 2 == 0 ? 0 : static_cast<int>(random_() % 300);
  }
  return plan;
}

// The journal and the change log of a tree before a run.
struct JournalMoment {
  std::uint64_t journalBytes = 0;  // 0: no journal, or one of the plain form
  std::string log;
};

JournalMoment JournalMomentOf(const Tree& t) {
  JournalMoment m;
  const std::string journal = t.data + "Backup/" + kJournalFile;
  if (FileExists(journal) && ReadJournalLayout(journal).sealed) m.journalBytes = FileSize(journal);
  const std::string log = t.data + kChangeLogFile;
  if (FileExists(log)) m.log = ReadFileBytes(log);
  return m;
}

// A run killed after it appended to the journal and before it committed
// anything: half the time the append is cut at a random byte, as a crash
// of the machine during the append would leave it (the appends are flushed
// before anything else goes on, so nothing written after them can be on
// disk without them; nothing was committed here). True when it was cut.
bool TearJournalAppend(const Tree& t, const JournalMoment& before, Random& random) {
  if (before.journalBytes == 0 || random() % 2 == 0) return false;
  const std::string journal = t.data + "Backup/" + kJournalFile;
  if (!FileExists(journal)) return false;
  const std::uint64_t size = FileSize(journal);
  if (size <= before.journalBytes || JournalMomentOf(t).log != before.log) return false;
  TruncateFile(*CreateNativeFileSystem(), journal,
               before.journalBytes + random() % (size - before.journalBytes));
  return true;
}

std::string Torture::TortureRun() {
  const KillPlan plan = ChooseKill();
  const JournalMoment before = JournalMomentOf(tortured_);
  const ChildResult r = RunChild(CliArgs(o_, tortured_), tortured_.output, plan, *watch_);
  ++f_.runs;
  if (r.killed && TearJournalAppend(tortured_, before, random_)) ++f_.tornJournalAppends;
  if (o_.verbose) {
    std::cout << "run " << f_.runs << ": "
              << (plan.kind == KillPlan::Kind::AfterDelay
                      ? "kill after " + std::to_string(plan.delayMicros) + " us"
                      : "kill after file change " + std::to_string(plan.fileEvents) + " + " +
                            std::to_string(plan.delayMicros) + " us")
              << (r.killed ? ", killed" : ", ended first") << " (" << r.fileEvents
              << " changes seen)\n";
  }
  if (r.killed) {
    ++f_.kills;
    ++(plan.kind == KillPlan::Kind::AfterDelay ? f_.killsAfterDelay : f_.killsAfterFileEvent);
  } else if (r.exitCode == 0) {
    ++f_.endedBeforeKill;
  } else {
    return "brenvik-cli ended with " + std::to_string(r.exitCode) + " before the kill:\n" +
           ReadFileBytes(tortured_.output);
  }
  return Audit(!r.killed);
}

// Where the backups stand: made now (they hold what the tables hold), or
// still those of the last time. Anything else is backups of two moments.
std::string Torture::Audit(bool afterFinishedRun) {
  ++f_.audits;
  std::string problem;
  const LineAccount a =
      AccountForLines(tortured_.data, tortured_.data + kReplayState, fed_, problem);
  if (o_.verbose) {
    std::cout << "  handed over " << a.handedOver << ", in the tables " << a.consumed
              << ", pending " << a.pending << ", journal "
              << (a.journal ? std::to_string(a.journalFrom + 1) + ".." + std::to_string(a.journalTo)
                            : std::string("none"))
              << ", backups " << backupLines_ << "\n";
  }
  if (!problem.empty()) return problem;
  f_.maxPendingSeen = std::max(f_.maxPendingSeen, a.pending);
  const std::string log = tortured_.data + kChangeLogFile;
  const std::uint64_t logBytes = fs::exists(log) ? fs::file_size(log) : 0;
  if (logBytes < logBytes_) ++f_.compactions;  // the log was started again
  logBytes_ = logBytes;
  if (afterFinishedRun &&
      (a.pending != 0 || a.journal || a.handedOver != fed_.size() - withheld_)) {
    return "after a finished run lines are still pending (" + std::to_string(a.pending) +
           "), not handed over, or journalled";
  }
  // The backups as the next start finds them, once it has finished an
  // interrupted close.
  const std::string backup = o_.workFolder + "/backup-view/";
  fs::remove_all(backup);
  fs::copy(tortured_.data + "Backup", backup);
  RollBackupsForward(*CreateNativeFileSystem(), backup);
  bool backupsCurrent = false;
  // An incomplete set is not restored by the recovery.
  if (fs::exists(backup + kHistoryFile) && fs::exists(backup + kLoginsFile) &&
      fs::exists(backup + kTransactionsFile)) {
    TreeRows inBackup;
    try {
      inBackup = ReadTreeRows(backup);
    } catch (const Error& e) {
      return std::string("the backups cannot be opened: ") + e.what();
    }
    if (inBackup == ReadTreeRows(tortured_.data)) {
      backupsCurrent = true;
      backupLines_ = a.consumed;
      backupRows_ = std::move(inBackup);
    } else if (!backupRows_ || inBackup != *backupRows_) {
      return "the backups hold tables of two different moments";
    }
  }
  const std::string where =
      " (handed over " + std::to_string(a.handedOver) + ", in the tables " +
      std::to_string(a.consumed) + ", pending " + std::to_string(a.pending) + ", in the backups " +
      std::to_string(backupLines_) + ", journal " +
      (a.journal ? std::to_string(a.journalFrom + 1) + ".." + std::to_string(a.journalTo)
                 : std::string("none")) +
      ")";
  const bool journalled = a.journal && a.journalTo > a.journalFrom;
  // A stop between the backups and the deletion of the journal: the next
  // start cuts the journal down to the lines still pending.
  if (journalled && backupsCurrent && a.journalFrom < backupLines_ && a.journalTo >= a.consumed) {
    ++f_.journalsLeftBesideBackups;
    return "";
  }
  if (journalled && a.journalFrom != backupLines_) {
    return (a.journalFrom < backupLines_ ? "the journal repeats lines the backups hold"
                                         : "the journal leaves out lines the backups lack") +
           where;
  }
  if ((journalled ? a.journalTo : backupLines_) < a.consumed) {
    return "lines in the tables are neither in the backups nor in the journal" + where;
  }
  return "";
}

std::string Torture::Compare() {
  const TreeRows expected = ReadTreeRows(reference_.data);
  const TreeRows actual = ReadTreeRows(tortured_.data);
  ++f_.comparisons;
  f_.historyRowsCompared = expected.history.size();
  f_.loginRowsCompared = expected.logins.size();
  f_.transactionRowsCompared = expected.transactions.size();
  for (const auto& [name, e, x] :
       {std::tuple{"History", &expected.history, &actual.history},
        std::tuple{"Logins", &expected.logins, &actual.logins},
        std::tuple{"Transactions", &expected.transactions, &actual.transactions}}) {
    if (std::string d = CompareRows(name, *e, *x); !d.empty()) return d;
  }
  return "";
}

}  // namespace

std::string RunTorture(const TortureOptions& options, TortureFigures& figures) {
  try {
    Torture torture(options, figures);
    return torture.Run();
  } catch (const std::exception& e) {
    return std::string("the torture stopped: ") + e.what();
  }
}

}  // namespace brenvik::torture
