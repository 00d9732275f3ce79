// What the crash torture checks in a data tree between two runs of
// brenvik-cli: the rows of its three tables (compared with those of a tree
// that was never interrupted), and that every line the service has handed
// over is accounted for exactly once: taken in by the tables or still waiting
// in the hand-over files, and, since the last backups, written to the
// journal.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace brenvik::torture {

// Every stored field of every row, as text, in append order.
using Rows = std::vector<std::vector<std::string>>;

struct TreeRows {
  Rows history;
  Rows logins;
  Rows transactions;
  bool operator==(const TreeRows&) const = default;
};

// The tables of a data folder (or of its Backup folder, which holds the
// same file names), read as the program opens them. TableError or FileError
// when they cannot be opened. Nothing is written.
TreeRows ReadTreeRows(const std::string& folder);

// "" when equal, else where the first difference is.
std::string CompareRows(const std::string& table, const Rows& expected, const Rows& actual);

// The lines fed to the service, in order; each line is distinct.
class FedLines {
 public:
  void Add(const std::string& line);
  std::size_t size() const { return lines_.size(); }
  const std::string& operator[](std::size_t i) const { return lines_[i]; }
  // The number of lines within the first `bytes` bytes of the log file.
  std::optional<std::size_t> LinesInBytes(std::uint64_t bytes) const;
  // The places of the lines of text (runs of CR and LF separate them); a
  // line that was never fed gives nothing.
  std::optional<std::vector<std::size_t>> Places(const std::string& text) const;

 private:
  std::vector<std::string> lines_;
  std::vector<std::uint64_t> endBytes_;  // of each line, CR LF included
  std::unordered_map<std::string, std::size_t> index_;
};

// What the hand-over files, the journal and the backups say about the
// lines, in line numbers of FedLines.
struct LineAccount {
  std::size_t handedOver = 0;  // by the service
  std::size_t consumed = 0;    // taken in by the tables (handedOver less pending)
  std::size_t pending = 0;     // waiting in the hand-over files
  bool journal = false;        // Backup/LogInformation.dat exists
  std::size_t journalFrom = 0;
  std::size_t journalTo = 0;  // one past its last line
};

// Reads the service's state file and the hand-over files of dataFolder and
// the journal; "" in problem when the lines are accounted for, else what is
// wrong (a line lost, doubled or out of order).
LineAccount AccountForLines(const std::string& dataFolder, const std::string& serviceStateFile,
                            const FedLines& fed, std::string& problem);

// The lines of the hand-over file text that the next pass would take in:
// the settled part of CopyForMonitor.dat (what the last commit's mark says
// is left) after CopyForMonitor2.dat.
std::string PendingText(const std::string& dataFolder);

}  // namespace brenvik::torture
