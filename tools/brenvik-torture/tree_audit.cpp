#include "tree_audit.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text_file.h"
#include "datastore/pass/processing_pass.h"
#include "datastore/service_link/hand_over.h"
#include "datastore/service_link/journal.h"
#include "datastore/startup/tables.h"
#include "datastore/tables/change_log.h"
#include "platform/platform.h"

namespace brenvik::torture {
namespace {

std::string ValueText(const TableStore& store, std::size_t row, FieldId id) {
  const FieldValue v = store.ValueAt(row, id);
  char buffer[64];
  switch (v.kind()) {
    case FieldValue::Kind::Null:
      return "null";
    case FieldValue::Kind::Number:
      std::snprintf(buffer, sizeof buffer, "%.17g", v.number());
      return buffer;
    case FieldValue::Kind::Int:
      return std::to_string(v.integer());
    case FieldValue::Kind::Bool:
      return v.boolean() ? "true" : "false";
    case FieldValue::Kind::Text:
      return "\"" + v.text() + "\"";
  }
  return "?";
}

Rows RowsOf(const TableStore& store) {
  Rows rows(store.RowCount());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t f = 0; f < store.Fields().size(); ++f) {
      if (store.Fields()[f].type == FieldType::Calculated) continue;
      rows[r].push_back(ValueText(store, r, FieldId{static_cast<int>(f)}));
    }
  }
  return rows;
}

std::string Joined(const std::vector<std::string>& row) {
  std::string out;
  for (const std::string& v : row) out += (out.empty() ? "" : ";") + v;
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::optional<std::uint64_t> StateValue(const std::string& stateFile, const std::string& key) {
  if (!FileExists(stateFile)) return std::nullopt;
  for (const std::string& line : SplitLines(ReadFileBytes(stateFile))) {
    if (line.rfind(key + "=", 0) == 0) return std::stoull(line.substr(key.size() + 1));
  }
  return std::nullopt;
}

// Places must be one unbroken run of fed lines.
bool Contiguous(const std::vector<std::size_t>& places) {
  for (std::size_t i = 1; i < places.size(); ++i) {
    if (places[i] != places[i - 1] + 1) return false;
  }
  return true;
}

}  // namespace

TreeRows ReadTreeRows(const std::string& folder) {
  const auto fileSystem = CreateNativeFileSystem();
  DataTables tables;
  tables.group.OpenLog(*fileSystem, folder + kChangeLogFile);
  const std::pair<Table*, const char*> files[] = {{&tables.DataSetHistory, kHistoryFile},
                                                  {&tables.DataSetLogins, kLoginsFile},
                                                  {&tables.DataSetTransactions, kTransactionsFile}};
  for (const auto& [table, name] : files) {
    table->SetFileName(*fileSystem, folder + name);
    table->OpenFromFile();
  }
  return TreeRows{RowsOf(tables.DataSetHistory.Rows()), RowsOf(tables.DataSetLogins.Rows()),
                  RowsOf(tables.DataSetTransactions.Rows())};
}

std::string CompareRows(const std::string& table, const Rows& expected, const Rows& actual) {
  for (std::size_t r = 0; r < expected.size() && r < actual.size(); ++r) {
    if (expected[r] != actual[r]) {
      return table + " row " + std::to_string(r + 1) + ": expected " + Joined(expected[r]) +
             "\n  but found " + Joined(actual[r]);
    }
  }
  if (expected.size() != actual.size()) {
    const Rows& longer = expected.size() > actual.size() ? expected : actual;
    std::string extra;
    for (std::size_t r = std::min(expected.size(), actual.size());
         r < longer.size() && r < 5 + std::min(expected.size(), actual.size()); ++r) {
      extra += "\n  " + Joined(longer[r]);
    }
    return table + ": expected " + std::to_string(expected.size()) + " rows, found " +
           std::to_string(actual.size()) + "; the rows after the common ones:" + extra;
  }
  return "";
}

void FedLines::Add(const std::string& line) {
  if (!index_.emplace(line, lines_.size()).second)
    throw Error("the line " + line + " is fed twice");
  endBytes_.push_back((endBytes_.empty() ? 0 : endBytes_.back()) + line.size() + 2);
  lines_.push_back(line);
}

std::optional<std::size_t> FedLines::LinesInBytes(std::uint64_t bytes) const {
  if (bytes == 0) return 0;
  for (std::size_t i = 0; i < endBytes_.size(); ++i) {
    if (endBytes_[i] == bytes) return i + 1;
    if (endBytes_[i] > bytes) break;
  }
  return std::nullopt;
}

std::optional<std::vector<std::size_t>> FedLines::Places(const std::string& text) const {
  std::vector<std::size_t> places;
  for (std::string line : SplitLines(text)) {
    while (line.rfind(kUtf8Bom, 0) == 0) line.erase(0, kUtf8Bom.size());
    const auto found = index_.find(line);
    if (found == index_.end()) return std::nullopt;
    places.push_back(found->second);
  }
  return places;
}

std::string PendingText(const std::string& dataFolder) {
  const auto files = CreateNativeFileSystem();
  ChangeLog log(*files, dataFolder + kChangeLogFile);
  log.Load();
  return PendingHandOverLines(dataFolder, log.LastHandOver());
}

namespace {

LineAccount AccountOnce(const std::string& dataFolder, const std::string& serviceStateFile,
                        const FedLines& fed, std::string& problem) {
  LineAccount account;
  problem.clear();
  const auto bytes = StateValue(serviceStateFile, "handed-over");
  const auto handed = fed.LinesInBytes(bytes.value_or(0));
  if (!handed) {
    problem = "the service's hand-over mark " + std::to_string(*bytes) + " is not at a line end";
    return account;
  }
  account.handedOver = *handed;
  const auto pending = fed.Places(PendingText(dataFolder));
  if (!pending || !Contiguous(*pending) ||
      (!pending->empty() && pending->back() + 1 != account.handedOver)) {
    problem = "the hand-over files do not hold the last lines handed over, once each, in order";
    return account;
  }
  account.pending = pending->size();
  account.consumed = account.handedOver - account.pending;
  const std::string journal = dataFolder + "Backup" + PathSeparator() + kJournalFile;
  account.journal = FileExists(journal);
  if (!account.journal) return account;
  const auto journalled = fed.Places(JournalText(journal));
  if (!journalled || !Contiguous(*journalled) ||
      (!journalled->empty() && journalled->back() >= account.handedOver)) {
    problem = "the journal is not one run of lines handed over, each once";
    return account;
  }
  account.journalFrom = journalled->empty() ? account.consumed : journalled->front();
  account.journalTo = journalled->empty() ? account.journalFrom : journalled->back() + 1;
  return account;
}

std::string FileOrNothing(const std::string& path) {
  try {
    return FileExists(path) ? ReadFileBytes(path) : std::string();
  } catch (const Error&) {
    return std::string();
  }
}

}  // namespace

// The service may still be answering the command of a run that was killed:
// the account is taken only while its state stands still with no hand-over
// half made.
LineAccount AccountForLines(const std::string& dataFolder, const std::string& serviceStateFile,
                            const FedLines& fed, std::string& problem) {
  LineAccount account;
  for (int attempt = 0; attempt < 400; ++attempt) {
    const std::string before = FileOrNothing(serviceStateFile);
    account = AccountOnce(dataFolder, serviceStateFile, fed, problem);
    if (before == FileOrNothing(serviceStateFile) &&
        before.find("pending=1") == std::string::npos) {
      return account;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  problem = "the service's state did not settle";
  return account;
}

}  // namespace brenvik::torture
