#include "programs/file_finder.h"

#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "base/file_io.h"
#include "programs/mask_match.h"
#include "programs/path_compare.h"

namespace brenvik {
namespace fs = std::filesystem;
namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

bool IsRoot(const std::string& folder) {
#ifdef _WIN32
  if (folder.size() == 3 && folder[1] == ':' && IsSeparator(folder[2])) return true;
#endif
  return folder.size() == 1 && IsSeparator(folder[0]);
}

// Where a folder really is, so that a second way into it is recognised.
std::optional<std::string> RealLocation(const std::string& folder) {
  std::error_code ec;
  const fs::path real = fs::canonical(ToFsPath(folder), ec);
  if (ec) return std::nullopt;
#ifdef _WIN32
  return FoldCase(FromFsPath(real));
#else
  return FromFsPath(real);
#endif
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || IsSeparator(folder.back())) return folder + name;
  return folder + PathSeparator() + name;
}

std::string WithoutTrailingSeparator(const std::string& folder) {
  std::string out = folder;
  while (out.size() > 1 && IsSeparator(out.back()) && !IsRoot(out)) out.pop_back();
  return out;
}

#ifdef _WIN32
TFileFinder::TFileFinder() : fromPath_("C:\\") {}
#else
TFileFinder::TFileFinder() : fromPath_("/") {}
#endif

void TFileFinder::SetFromPath(const std::string& folder) {
  fromPath_ = WithoutTrailingSeparator(folder);
}

bool TFileFinder::Find() {
  if (!onFound_) return true;
  std::optional<Mask> mask;
  if (wildCard_ != "*.*" && wildCard_ != "*") mask.emplace(wildCard_);

  struct Level {
    std::string folder;
    fs::directory_iterator next;
  };
  std::vector<Level> open;  // the folders being listed, innermost last
  std::set<std::string> entered;
  auto enter = [&](const std::string& folder) {
    const std::optional<std::string> real = RealLocation(folder);
    if (!real || !entered.insert(*real).second) return;
    std::error_code ec;
    fs::directory_iterator listing(ToFsPath(folder), fs::directory_options::skip_permission_denied,
                                   ec);
    if (!ec) open.push_back({folder, std::move(listing)});
  };

  enter(fromPath_);
  while (!open.empty()) {
    Level& level = open.back();
    if (level.next == fs::directory_iterator()) {
      open.pop_back();
      continue;
    }
    const fs::directory_entry entry = *level.next;
    const std::string folder = level.folder;
    if (monitor_ && !monitor_->EntryExamined(folder)) return false;
    std::error_code ec;
    level.next.increment(ec);
    if (ec) level.next = fs::directory_iterator();  // the listing broke off
    const std::string name = FromFsPath(entry.path().filename());
    std::error_code typeError;
    if (entry.is_directory(typeError)) {
      enter(JoinPath(folder, name));  // searched before the next entry of folder
      continue;
    }
    if (mask && !mask->Matches(name)) continue;
    onFound_(folder, FoundEntry{name, entry.is_symlink(typeError)});
  }
  return true;
}

}  // namespace brenvik
