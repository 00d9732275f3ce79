#include "support/pe_writer.h"

#include "base/utf8.h"
#include "programs/pe_version_block.h"

namespace brenvik::test {

std::optional<std::string> PeFileVersionResources::LoadVersionBlock(const std::string& path) {
  return ReadPeVersionBlock(path);
}
namespace {

void AppendU16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void AppendU32(std::string& out, std::uint32_t v) {
  AppendU16(out, v & 0xFFFF);
  AppendU16(out, v >> 16);
}
void AppendU64(std::string& out, std::uint64_t v) {
  AppendU32(out, static_cast<std::uint32_t>(v));
  AppendU32(out, static_cast<std::uint32_t>(v >> 32));
}
void PadTo(std::string& out, std::size_t alignment) {
  while (out.size() % alignment != 0) out += '\0';
}
std::size_t Align(std::size_t v, std::size_t a) { return (v + a - 1) / a * a; }

struct VersionNode {
  std::string key;
  bool text = true;
  std::string value;  // binary bytes, or UTF-8 text
  bool hasValue = false;
  std::vector<VersionNode> children;
};

// Nodes start on 32-bit boundaries of the block, so each can be laid out on
// its own with padding relative to its start.
std::string Serialize(const VersionNode& node) {
  std::string out(6, '\0');
  out += Utf8ToUtf16LeBytes(node.key);
  AppendU16(out, 0);
  PadTo(out, 4);
  std::uint32_t valueLength = 0;
  if (node.hasValue) {
    if (node.text) {
      const std::string utf16 = Utf8ToUtf16LeBytes(node.value);
      out += utf16;
      AppendU16(out, 0);
      valueLength = static_cast<std::uint32_t>(utf16.size() / 2 + 1);
    } else {
      out += node.value;
      valueLength = static_cast<std::uint32_t>(node.value.size());
    }
  }
  for (std::size_t i = 0; i < node.children.size(); ++i) {
    PadTo(out, 4);
    out += Serialize(node.children[i]);
  }
  PutU16(out, 0, static_cast<std::uint32_t>(out.size()));
  PutU16(out, 2, valueLength);
  PutU16(out, 4, node.text ? 1 : 0);
  return out;
}

std::string FixedInfo(const VersionInfoSpec& spec) {
  std::string b;
  const std::uint16_t* v = spec.fileVersion;
  AppendU32(b, 0xFEEF04BD);
  AppendU32(b, 0x00010000);
  for (int twice = 0; twice < 2; ++twice) {  // file version, product version
    AppendU32(b, (static_cast<std::uint32_t>(v[0]) << 16) | v[1]);
    AppendU32(b, (static_cast<std::uint32_t>(v[2]) << 16) | v[3]);
  }
  AppendU32(b, 0x3F);
  AppendU32(b, 0);
  AppendU32(b, 0x00040004);  // VOS_NT_WINDOWS32
  AppendU32(b, 1);           // VFT_APP
  AppendU32(b, 0);
  AppendU32(b, 0);
  AppendU32(b, 0);
  b.resize(spec.fixedInfoSize, '\0');
  return b;
}

}  // namespace

void PutU16(std::string& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}
void PutU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  PutU16(bytes, at, value & 0xFFFF);
  PutU16(bytes, at + 2, value >> 16);
}

VersionInfoSpec SimpleVersionInfo(const std::string& description, std::uint16_t a, std::uint16_t b,
                                  std::uint16_t c, std::uint16_t d) {
  VersionInfoSpec spec;
  spec.fileVersion[0] = a;
  spec.fileVersion[1] = b;
  spec.fileVersion[2] = c;
  spec.fileVersion[3] = d;
  spec.stringTables.push_back(
      {"040904B0", {{"CompanyName", "Taveron"}, {"FileDescription", description}}});
  spec.translations.push_back({0x0409, 0x04B0});
  return spec;
}

std::string BuildVersionInfo(const VersionInfoSpec& spec) {
  VersionNode root{"VS_VERSION_INFO", false, {}, false, {}};
  if (spec.withFixedInfo) {
    root.value = FixedInfo(spec);
    root.hasValue = true;
  }
  if (!spec.stringTables.empty()) {
    VersionNode files{"StringFileInfo", true, {}, false, {}};
    for (const StringTableSpec& table : spec.stringTables) {
      VersionNode node{table.key, true, {}, false, {}};
      for (const auto& [name, text] : table.values) {
        node.children.push_back({name, true, text, true, {}});
      }
      files.children.push_back(node);
    }
    root.children.push_back(files);
  }
  if (spec.withTranslations) {
    std::string table;
    for (const auto& [lang, charSet] : spec.translations) {
      AppendU16(table, lang);
      AppendU16(table, charSet);
    }
    VersionNode var{"Translation", false, table, true, {}};
    root.children.push_back({"VarFileInfo", true, {}, false, {var}});
  }
  return Serialize(root);
}

namespace {

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::size_t kFileAlignment = 0x200;
constexpr std::size_t kSectionAlignment = 0x1000;

// The .rsrc section: root directory, one name and one language directory
// per resource, the data entries, then the data.
std::string ResourceSection(const std::vector<PeResource>& resources, PeImageBytes& image) {
  const std::size_t n = resources.size();
  auto directory = [](std::string& out, std::uint32_t ids) {
    AppendU32(out, 0);  // characteristics
    AppendU32(out, 0);  // time stamp
    AppendU32(out, 0);  // version
    AppendU16(out, 0);  // named entries
    AppendU16(out, ids);
  };
  const std::size_t rootSize = 16 + 8 * n;
  const std::size_t nameDirs = rootSize;
  const std::size_t langDirs = nameDirs + 24 * n;
  const std::size_t entries = langDirs + 24 * n;
  std::size_t dataAt = entries + 16 * n;
  std::string out;
  directory(out, static_cast<std::uint32_t>(n));
  for (std::size_t i = 0; i < n; ++i) {
    AppendU32(out, resources[i].type);
    AppendU32(out, 0x80000000u | static_cast<std::uint32_t>(nameDirs + 24 * i));
  }
  for (std::size_t i = 0; i < n; ++i) {
    directory(out, 1);
    AppendU32(out, resources[i].name);
    AppendU32(out, 0x80000000u | static_cast<std::uint32_t>(langDirs + 24 * i));
  }
  for (std::size_t i = 0; i < n; ++i) {
    directory(out, 1);
    AppendU32(out, resources[i].language);
    AppendU32(out, static_cast<std::uint32_t>(entries + 16 * i));
  }
  std::vector<std::size_t> dataOffsets;
  for (std::size_t i = 0; i < n; ++i) {
    dataAt = Align(dataAt, 4);
    dataOffsets.push_back(dataAt);
    AppendU32(out, kSectionRva + static_cast<std::uint32_t>(dataAt));
    AppendU32(out, static_cast<std::uint32_t>(resources[i].bytes.size()));
    AppendU32(out, 0);  // code page
    AppendU32(out, 0);
    dataAt += resources[i].bytes.size();
  }
  for (std::size_t i = 0; i < n; ++i) {
    PadTo(out, 4);
    out += resources[i].bytes;
  }
  const std::size_t base = image.resourceSectionOffset;
  for (std::size_t i = 0; i < n; ++i) {
    image.nameDirectoryOffsets.push_back(base + nameDirs + 24 * i);
    image.languageDirectoryOffsets.push_back(base + langDirs + 24 * i);
    image.dataEntryOffsets.push_back(base + entries + 16 * i);
    image.dataOffsets.push_back(base + dataOffsets[i]);
  }
  return out;
}

void OptionalHeader(std::string& out, PeKind kind, std::uint32_t dataSize, std::uint32_t imageSize,
                    std::uint32_t resourceSize) {
  const bool plus = kind == PeKind::Pe32Plus;
  AppendU16(out, plus ? 0x20B : 0x10B);
  out += '\x0E';  // linker 14.0
  out += '\0';
  AppendU32(out, 0);         // size of code
  AppendU32(out, dataSize);  // size of initialised data
  AppendU32(out, 0);
  AppendU32(out, 0);  // entry point: none, the image holds data only
  AppendU32(out, kSectionRva);
  if (plus) {
    AppendU64(out, 0x140000000ULL);
  } else {
    AppendU32(out, kSectionRva);  // base of data
    AppendU32(out, 0x400000);
  }
  AppendU32(out, kSectionAlignment);
  AppendU32(out, kFileAlignment);
  AppendU16(out, 6);  // operating system 6.0
  AppendU16(out, 0);
  AppendU32(out, 0);  // image version
  AppendU16(out, 6);  // subsystem 6.0
  AppendU16(out, 0);
  AppendU32(out, 0);
  AppendU32(out, imageSize);
  AppendU32(out, kFileAlignment);  // size of headers
  AppendU32(out, 0);               // checksum
  AppendU16(out, 2);               // Windows GUI
  AppendU16(out, plus ? 0x8160 : 0x8140);
  for (int i = 0; i < 4; ++i) {
    const std::uint64_t size = i % 2 == 0 ? 0x100000 : 0x1000;
    if (plus) {
      AppendU64(out, size);
    } else {
      AppendU32(out, static_cast<std::uint32_t>(size));
    }
  }
  AppendU32(out, 0);   // loader flags
  AppendU32(out, 16);  // data directories
  for (int i = 0; i < 16; ++i) {
    AppendU32(out, i == 2 ? kSectionRva : 0);
    AppendU32(out, i == 2 ? resourceSize : 0);
  }
}

}  // namespace

PeImageBytes BuildPeImage(PeKind kind, const std::vector<PeResource>& resources) {
  PeImageBytes image;
  image.resourceSectionOffset = kFileAlignment;
  image.rootDirectoryOffset = kFileAlignment;
  image.resourceRva = kSectionRva;
  const std::string section = ResourceSection(resources, image);
  const auto rawSize = static_cast<std::uint32_t>(Align(section.size(), kFileAlignment));
  const auto imageSize =
      static_cast<std::uint32_t>(kSectionRva + Align(section.size(), kSectionAlignment));

  std::string& out = image.bytes;
  out = "MZ";
  out.resize(0x3C, '\0');
  AppendU32(out, 0x40);
  out += std::string("PE\0\0", 4);
  AppendU16(out, kind == PeKind::Pe32Plus ? 0x8664 : 0x014C);
  AppendU16(out, 1);           // sections
  AppendU32(out, 0x5F5E1000);  // time stamp
  AppendU32(out, 0);
  AppendU32(out, 0);
  AppendU16(out, kind == PeKind::Pe32Plus ? 240 : 224);
  AppendU16(out, kind == PeKind::Pe32Plus ? 0x0022 : 0x0102);
  image.optionalHeaderOffset = out.size();
  OptionalHeader(out, kind, rawSize, imageSize, static_cast<std::uint32_t>(section.size()));
  image.sectionTableOffset = out.size();
  out += std::string(".rsrc\0\0\0", 8);
  AppendU32(out, static_cast<std::uint32_t>(section.size()));
  AppendU32(out, kSectionRva);
  AppendU32(out, rawSize);
  AppendU32(out, static_cast<std::uint32_t>(kFileAlignment));
  AppendU32(out, 0);
  AppendU32(out, 0);
  AppendU16(out, 0);
  AppendU16(out, 0);
  AppendU32(out, 0x40000040);  // initialised data, readable
  out.resize(kFileAlignment, '\0');
  out += section;
  out.resize(kFileAlignment + rawSize, '\0');
  return image;
}

std::string PeWithVersionBlock(const std::string& block, PeKind kind) {
  return BuildPeImage(kind, {PeResource{16, 1, 0x0409, block}}).bytes;
}

}  // namespace brenvik::test
