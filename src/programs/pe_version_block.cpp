#include "programs/pe_version_block.h"

#include <cstdint>
#include <fstream>
#include <vector>

#include "base/file_io.h"

namespace brenvik {
namespace {

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kMaxBlockSize = 16 * 1024 * 1024;

// Bounded little-endian reads from a file opened for random access.
class PeFile {
 public:
  explicit PeFile(const std::string& path) : in_(ToFsPath(path), std::ios::binary) {
    if (in_) {
      in_.seekg(0, std::ios::end);
      size_ = static_cast<std::uint64_t>(in_.tellg());
    }
  }
  bool ok() const { return static_cast<bool>(in_); }

  bool Read(std::uint64_t offset, void* out, std::size_t count) {
    if (offset + count > size_) return false;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(static_cast<char*>(out), static_cast<std::streamsize>(count));
    return static_cast<bool>(in_);
  }
  bool U16(std::uint64_t offset, std::uint32_t& value) {
    unsigned char b[2];
    if (!Read(offset, b, 2)) return false;
    value = b[0] | (b[1] << 8);
    return true;
  }
  bool U32(std::uint64_t offset, std::uint32_t& value) {
    unsigned char b[4];
    if (!Read(offset, b, 4)) return false;
    value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    return true;
  }

 private:
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

struct Section {
  std::uint32_t virtualAddress = 0;
  std::uint32_t virtualSize = 0;
  std::uint32_t rawSize = 0;
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
    std::uint64_t directories = 0, countAt = 0;
    if (magic == 0x10B) {
      countAt = optional + 92;
      directories = optional + 96;
    } else if (magic == 0x20B) {
      countAt = optional + 108;
      directories = optional + 112;
    } else {
      return false;
    }
    std::uint32_t count = 0;
    if (!file_.U32(countAt, count) || count < 3) return false;
    if (!file_.U32(directories + 16, resourceRva_)) return false;
    const std::uint64_t table = optional + optionalSize;
    for (std::uint32_t i = 0; i < sections; ++i) {
      Section s;
      const std::uint64_t at = table + i * 40ULL;
      if (!file_.U32(at + 8, s.virtualSize) || !file_.U32(at + 12, s.virtualAddress) ||
          !file_.U32(at + 16, s.rawSize) || !file_.U32(at + 20, s.rawOffset)) {
        return false;
      }
      sections_.push_back(s);
    }
    return resourceRva_ != 0 && RvaToOffset(resourceRva_, resourceBase_);
  }

  bool RvaToOffset(std::uint32_t rva, std::uint64_t& offset) const {
    for (const Section& s : sections_) {
      const std::uint32_t span = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
      if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
        offset = s.rawOffset + static_cast<std::uint64_t>(rva - s.virtualAddress);
        return true;
      }
    }
    return false;
  }

  // The entry of a resource directory with the given id (or the first entry
  // when id is 0); returns its OffsetToData field.
  bool FindEntry(std::uint32_t directoryOffset, std::uint32_t id, std::uint32_t& data) {
    std::uint32_t named = 0, ids = 0;
    const std::uint64_t dir = resourceBase_ + directoryOffset;
    if (!file_.U16(dir + 12, named) || !file_.U16(dir + 14, ids)) return false;
    for (std::uint32_t i = 0; i < named + ids && i < 4096; ++i) {
      std::uint32_t name = 0;
      const std::uint64_t entry = dir + 16 + i * 8ULL;
      if (!file_.U32(entry, name) || !file_.U32(entry + 4, data)) return false;
      if (id == 0 || (!(name & 0x80000000u) && name == id)) return true;
    }
    return false;
  }

  std::optional<std::string> VersionBlock() {
    std::uint32_t level1 = 0, level2 = 0, level3 = 0;
    if (!FindEntry(0, kRtVersion, level1) || !(level1 & 0x80000000u)) return std::nullopt;
    if (!FindEntry(level1 & 0x7FFFFFFFu, 0, level2) || !(level2 & 0x80000000u)) return std::nullopt;
    if (!FindEntry(level2 & 0x7FFFFFFFu, 0, level3) || (level3 & 0x80000000u)) return std::nullopt;
    std::uint32_t rva = 0, size = 0;
    std::uint64_t offset = 0;
    if (!file_.U32(resourceBase_ + level3, rva) || !file_.U32(resourceBase_ + level3 + 4, size) ||
        size == 0 || size > kMaxBlockSize || !RvaToOffset(rva, offset)) {
      return std::nullopt;
    }
    std::string block(size, '\0');
    if (!file_.Read(offset, block.data(), size)) return std::nullopt;
    return block;
  }

 private:
  PeFile& file_;
  std::vector<Section> sections_;
  std::uint32_t resourceRva_ = 0;
  std::uint64_t resourceBase_ = 0;
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
