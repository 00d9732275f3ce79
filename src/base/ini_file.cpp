#include "base/ini_file.h"

#include <charconv>

#include "base/file_io.h"
#include "base/text_file.h"
#include "base/utf8.h"

namespace brenvik {

namespace {

std::string_view NextLine(std::string_view text, std::size_t& pos) {
  const std::size_t end = text.find_first_of("\r\n", pos);
  const std::size_t stop = end == std::string_view::npos ? text.size() : end;
  std::string_view line = text.substr(pos, stop - pos);
  pos = stop;
  if (pos < text.size() && text[pos] == '\r') ++pos;
  if (pos < text.size() && text[pos] == '\n') ++pos;
  return line;
}

}  // namespace

std::optional<long long> ParseWholeNumber(std::string_view text) {
  const std::string trimmed = Trim(text);
  std::string_view digits = trimmed;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  if (digits.empty()) return std::nullopt;
  long long value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

IniFile IniFile::Parse(std::string_view text) {
  IniFile ini;
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  Section* current = nullptr;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::string line = Trim(NextLine(text, pos));
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');  // names may hold "]"
      if (close == std::string::npos) {
        current = nullptr;  // a broken header: its keys have nowhere to go
        continue;
      }
      const std::string name = Trim(std::string_view(line).substr(1, close - 1));
      current = ini.Find(name);
      if (current == nullptr) {
        ini.sections_.push_back({name, {}});
        current = &ini.sections_.back();
      }
      continue;
    }
    const std::size_t eq = line.find('=');
    if (current == nullptr || eq == std::string::npos) continue;
    const std::string key = Trim(std::string_view(line).substr(0, eq));
    if (key.empty()) continue;
    bool known = false;
    for (const Entry& entry : current->entries) known = known || EqualsIgnoreCase(entry.first, key);
    if (!known) current->entries.emplace_back(key, Trim(std::string_view(line).substr(eq + 1)));
  }
  return ini;
}

IniFile IniFile::Load(const std::string& path) {
  if (!FileExists(path)) return IniFile();
  return Parse(ReadFileBytes(path));
}

std::string IniFile::ToText() const {
  std::string text;
  for (const Section& section : sections_) {
    text += "[" + section.name + "]\r\n";
    for (const Entry& entry : section.entries) text += entry.first + "=" + entry.second + "\r\n";
  }
  return text;
}

void IniFile::Save(FileSystem& files, const std::string& path) const {
  WriteFileAtomic(files, path, ToText());
}

IniFile::Section* IniFile::Find(std::string_view section) {
  for (Section& s : sections_)
    if (EqualsIgnoreCase(s.name, section)) return &s;
  return nullptr;
}

const IniFile::Section* IniFile::Find(std::string_view section) const {
  for (const Section& s : sections_)
    if (EqualsIgnoreCase(s.name, section)) return &s;
  return nullptr;
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

bool IniFile::HasSection(std::string_view section) const { return Find(section) != nullptr; }

std::optional<std::string> IniFile::SectionName(std::string_view section) const {
  const Section* s = Find(section);
  if (s == nullptr) return std::nullopt;
  return s->name;
}

void IniFile::EraseSection(std::string_view section) {
  for (auto it = sections_.begin(); it != sections_.end(); ++it) {
    if (EqualsIgnoreCase(it->name, section)) {
      sections_.erase(it);
      return;
    }
  }
}

void IniFile::AddSection(std::string_view section) {
  if (Find(section) == nullptr) sections_.push_back({std::string(section), {}});
}

std::vector<IniFile::Entry> IniFile::Entries(std::string_view section) const {
  const Section* s = Find(section);
  return s == nullptr ? std::vector<Entry>{} : s->entries;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
  const Section* s = Find(section);
  if (s == nullptr) return std::nullopt;
  for (const Entry& entry : s->entries)
    if (EqualsIgnoreCase(entry.first, key)) return entry.second;
  return std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  const auto value = Read(section, key);
  return value ? *value : std::string(fallback);
}

long long IniFile::ReadInteger(std::string_view section, std::string_view key,
                               long long fallback) const {
  const auto value = Read(section, key);
  if (!value) return fallback;
  return ParseWholeNumber(*value).value_or(fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  const auto value = Read(section, key);
  if (!value) return fallback;
  const auto number = ParseWholeNumber(*value);
  return number ? *number != 0 : fallback;
}

void IniFile::Write(std::string_view section, std::string_view key, std::string_view rawValue) {
  // A line break inside a value would start a line of its own when read back.
  std::string value(rawValue);
  for (char& c : value)
    if (c == '\r' || c == '\n') c = ' ';
  AddSection(section);
  Section* s = Find(section);
  for (Entry& entry : s->entries) {
    if (EqualsIgnoreCase(entry.first, key)) {
      entry.second = value;
      return;
    }
  }
  s->entries.emplace_back(std::string(key), value);
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, long long value) {
  Write(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  Write(section, key, value ? "1" : "0");
}

}  // namespace brenvik
