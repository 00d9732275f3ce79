#include "programs/pe_version_block.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "base/file_io.h"

namespace brenvik {
namespace {

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr std::uint32_t kMaxDirectoryEntries = 4096;
constexpr std::uint64_t kSectionHeaderSize = 40;

std::uint32_t Le16(const unsigned char* b) { return b[0] | (b[1] << 8); }
std::uint32_t Le32(const unsigned char* b) {
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

// Bounded little-endian reads from a regular file opened for random access.
class PeFile {
 public:
  explicit PeFile(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path fsPath = ToFsPath(path);
    if (!std::filesystem::is_regular_file(fsPath, ec)) return;
    const std::uintmax_t size = std::filesystem::file_size(fsPath, ec);
    if (ec) return;
    in_.open(fsPath, std::ios::binary);
    if (in_) size_ = size;
  }
  bool ok() const { return size_ > 0 && static_cast<bool>(in_); }

  bool Read(std::uint64_t offset, void* out, std::uint64_t count) {
    if (offset > size_ || count > size_ - offset) return false;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(static_cast<char*>(out), static_cast<std::streamsize>(count));
    return in_.gcount() == static_cast<std::streamsize>(count);
  }
  bool U16(std::uint64_t offset, std::uint32_t& value) {
    unsigned char b[2];
    if (!Read(offset, b, 2)) return false;
    value = Le16(b);
    return true;
  }
  bool U32(std::uint64_t offset, std::uint32_t& value) {
    unsigned char b[4];
    if (!Read(offset, b, 4)) return false;
    value = Le32(b);
    return true;
  }

 private:
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

struct Section {
  std::uint32_t virtualAddress = 0;
  std::uint32_t mappedSize = 0;  // bytes of raw data the loader maps
  std::uint32_t rawOffset = 0;
};

class PeImage {
 public:
  explicit PeImage(PeFile& file) : file_(file) {}

  bool Load() {
    std::uint32_t mz = 0, peOffset = 0, signature = 0;
    if (!file_.U16(0, mz) || mz != 0x5A4D || !file_.U32(0x3C, peOffset)) return false;
    if (!file_.U32(peOffset, signature) || signature != 0x00004550) return false;
    std::uint32_t sections = 0, optionalSize = 0, magic = 0;
    const std::uint64_t coff = peOffset + 4ULL;
    if (!file_.U16(coff + 2, sections) || !file_.U16(coff + 16, optionalSize)) return false;
    const std::uint64_t optional = coff + 20;
    if (!file_.U16(optional, magic)) return false;
    std::uint64_t countAt = 0;
    if (magic == 0x10B) {
      countAt = optional + 92;
    } else if (magic == 0x20B) {
      countAt = optional + 108;
    } else {
      return false;
    }
    // The resource directory is data directory 2, 8 bytes each after the count.
    const std::uint64_t resourceEntry = countAt + 4 + 2ULL * 8;
    std::uint32_t count = 0;
    if (!file_.U32(countAt, count) || count < 3) return false;
    if (resourceEntry + 8 > optional + optionalSize) return false;
    if (!file_.U32(resourceEntry, resourceRva_)) return false;
    if (!LoadSections(optional + optionalSize, sections)) return false;
    return resourceRva_ != 0 && RvaToOffset(resourceRva_, 16, resourceBase_, &resourceLimit_);
  }

  std::optional<std::string> VersionBlock() {
    std::uint32_t level1 = 0, level2 = 0, level3 = 0;
    if (!FindEntry(0, kRtVersion, level1) || !(level1 & kSubdirectoryFlag)) return std::nullopt;
    if (!FindEntry(level1 & ~kSubdirectoryFlag, 0, level2) || !(level2 & kSubdirectoryFlag)) {
      return std::nullopt;
    }
    // The third level must hold a data entry, never another directory, so the
    // walk ends here whatever the offsets point at.
    if (!FindEntry(level2 & ~kSubdirectoryFlag, 0, level3) || (level3 & kSubdirectoryFlag)) {
      return std::nullopt;
    }
    std::uint32_t rva = 0, size = 0;
    std::uint64_t offset = 0;
    if (!InResource(level3, 16) || !file_.U32(resourceBase_ + level3, rva) ||
        !file_.U32(resourceBase_ + level3 + 4, size)) {
      return std::nullopt;
    }
    if (size == 0 || size > kMaxPeVersionBlock || !RvaToOffset(rva, size, offset, nullptr)) {
      return std::nullopt;
    }
    std::string block(size, '\0');
    if (!file_.Read(offset, block.data(), size)) return std::nullopt;
    return block;
  }

 private:
  bool LoadSections(std::uint64_t table, std::uint32_t count) {
    std::vector<unsigned char> raw(count * kSectionHeaderSize);
    if (count == 0 || !file_.Read(table, raw.data(), raw.size())) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      const unsigned char* h = raw.data() + i * kSectionHeaderSize;
      const std::uint32_t virtualSize = Le32(h + 8);
      const std::uint32_t rawSize = Le32(h + 16);
      Section s;
      s.virtualAddress = Le32(h + 12);
      s.rawOffset = Le32(h + 20);
      // Raw data past the virtual size is not mapped; a zero virtual size
      // (some older linkers) means the raw size.
      s.mappedSize = virtualSize == 0 ? rawSize : std::min(virtualSize, rawSize);
      sections_.push_back(s);
    }
    return true;
  }

  // The file offset of [rva, rva + length) when the whole range lies in the
  // mapped raw data of one section; limit receives that section's end.
  bool RvaToOffset(std::uint32_t rva, std::uint32_t length, std::uint64_t& offset,
                   std::uint64_t* limit) const {
    for (const Section& s : sections_) {
      if (rva < s.virtualAddress) continue;
      const std::uint32_t into = rva - s.virtualAddress;
      if (into >= s.mappedSize || length > s.mappedSize - into) continue;
      offset = s.rawOffset + static_cast<std::uint64_t>(into);
      if (limit) *limit = s.rawOffset + static_cast<std::uint64_t>(s.mappedSize);
      return true;
    }
    return false;
  }

  bool InResource(std::uint64_t relative, std::uint64_t length) const {
    return resourceBase_ + relative + length <= resourceLimit_;
  }

  // The entry of a resource directory with the given id (or the first entry
  // when id is 0); returns its OffsetToData field.
  bool FindEntry(std::uint32_t directoryOffset, std::uint32_t id, std::uint32_t& data) {
    if (!InResource(directoryOffset, 16)) return false;
    std::uint32_t named = 0, ids = 0;
    const std::uint64_t dir = resourceBase_ + directoryOffset;
    if (!file_.U16(dir + 12, named) || !file_.U16(dir + 14, ids)) return false;
    const std::uint32_t entries = std::min(named + ids, kMaxDirectoryEntries);
    for (std::uint32_t i = 0; i < entries; ++i) {
      const std::uint64_t entry = directoryOffset + 16 + i * 8ULL;
      std::uint32_t name = 0;
      if (!InResource(entry, 8) || !file_.U32(resourceBase_ + entry, name) ||
          !file_.U32(resourceBase_ + entry + 4, data)) {
        return false;
      }
      if (id == 0 || (!(name & kSubdirectoryFlag) && name == id)) return true;
    }
    return false;
  }

  PeFile& file_;
  std::vector<Section> sections_;
  std::uint32_t resourceRva_ = 0;
  std::uint64_t resourceBase_ = 0;
  std::uint64_t resourceLimit_ = 0;
};

}  // namespace

std::optional<std::string> ReadPeVersionBlock(const std::string& path) {
  PeFile file(path);
  if (!file.ok()) return std::nullopt;
  PeImage image(file);
  if (!image.Load()) return std::nullopt;
  return image.VersionBlock();
}

}  // namespace brenvik
