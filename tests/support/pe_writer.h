// Test fixtures for the version-resource code, made here rather than taken
// from real programs: BuildVersionInfo writes a VS_VERSIONINFO block (fixed
// block, StringFileInfo tables, VarFileInfo\Translation), and BuildPeImage
// wraps resources in a minimal valid PE32 or PE32+ image with one .rsrc
// section. The offsets of the interesting structures are returned so that
// tests can damage exactly what they mean to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/version_resources.h"

namespace brenvik::test {

// The version resources of real files, read by the core's PE reader (what
// the POSIX backend does), for tests that go through the file system.
class PeFileVersionResources : public VersionResources {
 public:
  std::optional<std::string> LoadVersionBlock(const std::string& path) override;
};

struct StringTableSpec {
  std::string key;                                          // "040904B0"
  std::vector<std::pair<std::string, std::string>> values;  // name, text (UTF-8)
};

struct VersionInfoSpec {
  bool withFixedInfo = true;
  std::size_t fixedInfoSize = 52;  // another size writes a damaged block
  std::uint16_t fileVersion[4] = {1, 0, 0, 0};
  std::vector<StringTableSpec> stringTables;
  bool withTranslations = true;
  std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;  // Lang, CharSet
};

// The common case: one translation with its string table.
VersionInfoSpec SimpleVersionInfo(const std::string& description, std::uint16_t a, std::uint16_t b,
                                  std::uint16_t c, std::uint16_t d);

std::string BuildVersionInfo(const VersionInfoSpec& spec);

struct PeResource {
  std::uint16_t type = 16;  // RT_VERSION
  std::uint16_t name = 1;
  std::uint16_t language = 0x0409;
  std::string bytes;
};

enum class PeKind { Pe32, Pe32Plus };

struct PeImageBytes {
  std::string bytes;
  std::size_t optionalHeaderOffset = 0;
  std::size_t sectionTableOffset = 0;
  std::size_t resourceSectionOffset = 0;  // file offset of .rsrc raw data
  std::uint32_t resourceRva = 0;
  std::size_t rootDirectoryOffset = 0;  // = resourceSectionOffset
  // Per resource, in the order given: the file offsets of its name-level
  // directory, its language-level directory, its data entry and its data.
  std::vector<std::size_t> nameDirectoryOffsets;
  std::vector<std::size_t> languageDirectoryOffsets;
  std::vector<std::size_t> dataEntryOffsets;
  std::vector<std::size_t> dataOffsets;
};

// Resources must have distinct types, given in ascending order.
PeImageBytes BuildPeImage(PeKind kind, const std::vector<PeResource>& resources);
// A PE image whose only resource is this version block.
std::string PeWithVersionBlock(const std::string& block, PeKind kind = PeKind::Pe32Plus);

void PutU16(std::string& bytes, std::size_t at, std::uint32_t value);
void PutU32(std::string& bytes, std::size_t at, std::uint32_t value);

}  // namespace brenvik::test
