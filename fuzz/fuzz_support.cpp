#include "fuzz_support.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "datastore/tables/table_store.h"

namespace brenvik::fuzz {
namespace {

std::string MakeScratchFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brenvik-fuzz-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  return pattern + "/";
}

void RemoveScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(ScratchFolder(), ignored);
}

}  // namespace

const std::string& ScratchFolder() {
  // Never destroyed: the exit handler that removes the folder needs its name.
  static const std::string* folder = [] {
    auto* made = new std::string(MakeScratchFolder());
    std::atexit(RemoveScratchFolder);
    return made;
  }();
  return *folder;
}

std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
  const std::string path = ScratchFolder() + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  Check(static_cast<bool>(out), "the scratch file could not be written");
  return path;
}

std::vector<std::string_view> SplitInput(std::string_view input, std::size_t maxParts) {
  static constexpr std::string_view kSeparator = "\n====\n";
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < maxParts) {
    const std::size_t at = input.find(kSeparator);
    if (at == std::string_view::npos) break;
    parts.push_back(input.substr(0, at));
    input.remove_prefix(at + kSeparator.size());
  }
  parts.push_back(input);
  return parts;
}

bool SameRows(const TableStore& a, const TableStore& b) {
  if (a.RowCount() != b.RowCount() || a.Fields().size() != b.Fields().size()) return false;
  for (std::size_t row = 0; row < a.RowCount(); ++row) {
    for (std::size_t f = 0; f < a.Fields().size(); ++f) {
      const FieldId id{static_cast<int>(f)};
      const FieldValue x = a.ValueAt(row, id);
      const FieldValue y = b.ValueAt(row, id);
      if (x.kind() != y.kind() || x.integer() != y.integer() || x.text() != y.text() ||
          std::bit_cast<std::uint64_t>(x.number()) != std::bit_cast<std::uint64_t>(y.number())) {
        return false;
      }
    }
  }
  return true;
}

void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace brenvik::fuzz
