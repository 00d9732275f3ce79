// A small INI document: "[section]" lines, each followed by "key=value"
// lines. Sections and keys keep the order in which they were read or first
// written, and are found without regard to (ASCII) letter case. Texts are
// UTF-8; a byte-order mark at the start of a file is skipped.
//
// Files edited by hand are read leniently, never refused: lines that are
// neither a section nor a key (no "="), and keys before the first section,
// are dropped; a second section of a name already seen is merged into the
// first (its keys fill in those the first lacks), as lookups by name would
// only ever find the first. Keys and values are trimmed of surrounding blanks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace brenvik {

class IniFile {
 public:
  using Entry = std::pair<std::string, std::string>;  // key, value

  IniFile() = default;
  static IniFile Parse(std::string_view text);
  // A missing file gives an empty document; FileError when it cannot be read.
  static IniFile Load(const std::string& path);
  // "[name]" and "key=value" lines, each ended by CR LF.
  std::string ToText() const;
  // Replaces the file atomically (UTF-8, no byte-order mark).
  void Save(FileSystem& files, const std::string& path) const;

  std::vector<std::string> SectionNames() const;
  bool HasSection(std::string_view section) const;
  // The stored spelling of a section name (as first written), if present.
  std::optional<std::string> SectionName(std::string_view section) const;
  std::size_t SectionCount() const { return sections_.size(); }
  void EraseSection(std::string_view section);
  // Adds an empty section at the end when missing.
  void AddSection(std::string_view section);
  // The keys of a section in order (empty when the section is missing).
  std::vector<Entry> Entries(std::string_view section) const;

  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // The value when it is a whole decimal number that fits 64 bits, else fallback.
  long long ReadInteger(std::string_view section, std::string_view key, long long fallback) const;
  // Any whole number: non-zero is true; a missing or unreadable value gives fallback.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Replaces the key's value, or appends the key (and the section) when
  // missing. Line breaks inside the value are written as blanks.
  void Write(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, long long value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  Section* Find(std::string_view section);
  const Section* Find(std::string_view section) const;

  std::vector<Section> sections_;
};

// A whole decimal number (optional sign, digits only, fits 64 bits).
std::optional<long long> ParseWholeNumber(std::string_view text);

}  // namespace brenvik
