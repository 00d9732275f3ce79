#include "datastore/service_link/diagnostic_log.h"

#include "base/file_io.h"
#include "base/utf8.h"

namespace brenvik {
namespace {

std::string DoubleMarks(const std::string& title) {
  std::string out;
  for (char c : title) {
    out += c;
    if (c == '>') out += '>';
  }
  return out;
}

}  // namespace

std::string DiagnosticLog::FormatLine(const LogEntry& entry) {
  return "[" + entry.time + "]" + DoubleMarks(entry.title) + ">" + entry.description + "\r\n";
}

bool DiagnosticLog::ParseLine(const std::string& line, LogEntry& entry) {
  const std::size_t open = line.find('[');
  if (open == std::string::npos) return false;
  const std::size_t close = line.find(']', open + 1);
  if (close == std::string::npos) return false;
  entry.time = line.substr(open + 1, close - open - 1);
  entry.title.clear();
  entry.description.clear();
  std::size_t i = close + 1;
  for (; i < line.size(); ++i) {
    if (line[i] != '>') {
      entry.title += line[i];
    } else if (i + 1 < line.size() && line[i + 1] == '>') {
      entry.title += '>';
      ++i;
    } else {
      entry.description = line.substr(i + 1);
      return true;
    }
  }
  return true;
}

void DiagnosticLog::SetLogFile(FileSystem& files, const std::string& path) {
  entries_.clear();
  path_.clear();
  files_ = &files;
  if (FileExists(path)) {
    const std::string text = ReadFileBytes(path);
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      LogEntry entry;
      if (end > start && ParseLine(text.substr(start, end - start), entry)) {
        entries_.push_back(std::move(entry));
      }
      start = text.find_first_not_of("\r\n", end);
      if (start == std::string::npos) break;
    }
  }
  path_ = path;
}

void DiagnosticLog::AddLogEntry(const std::string& time, const std::string& title,
                                const std::string& description) {
  entries_.push_back(LogEntry{time, title, description});
  ApplySizeLimit();
  if (!path_.empty()) Save();
}

void DiagnosticLog::ApplySizeLimit() {
  std::size_t sum = 0;
  std::size_t keepFrom = entries_.size();
  while (keepFrom > 0 && sum < kSizeLimit) {
    --keepFrom;
    sum += CharCount(FormatLine(entries_[keepFrom]));
  }
  if (sum >= kSizeLimit && keepFrom > 0) {
    entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(keepFrom));
  }
}

void DiagnosticLog::Save() const {
  std::string text;
  for (const LogEntry& entry : entries_) text += FormatLine(entry);
  WriteFileAtomic(*files_, path_, text);
}

}  // namespace brenvik
