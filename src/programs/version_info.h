// Reading the version resource of a program file: the raw VS_VERSIONINFO
// block comes from the VersionResources interface (GetFileVersionInfoW on
// Windows, the core's PE reader elsewhere); the routines here find values in
// it the way VerQueryValueW does, by paths of node keys ("\" for the fixed
// block, "\VarFileInfo\Translation", "\StringFileInfo\040904B0\FileDescription").
//
// The block is a tree of nodes: WORD wLength, WORD wValueLength, WORD wType,
// the key as a null-terminated UTF-16LE text, padding to 32 bits, the value
// (wValueLength bytes for binary nodes, wValueLength characters for text
// nodes), padding, then the child nodes. Every length is checked against the
// node that holds it; a damaged block gives "not found", never a read past
// its end.
//
// Failures raise FileError with the texts the user sees:
//   kCantLoadVersionInfo, kCantReadFixedFileInfo, kFixedFileInfoWrongSize.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/version_resources.h"

namespace brenvik {

inline constexpr const char* kCantLoadVersionInfo = "Can't load version information";
inline constexpr const char* kCantReadFixedFileInfo = "Can't read fixed file information";
inline constexpr const char* kFixedFileInfoWrongSize = "Fixed file information record wrong size";

// One entry of the translation table, in the order the resource stores it.
struct TTransRec {
  std::uint16_t Lang = 0;
  std::uint16_t CharSet = 0;
};
using TTransRecArray = std::vector<TTransRec>;

// VS_FIXEDFILEINFO, 52 bytes.
struct TFixedFileInfo {
  static constexpr std::size_t kSize = 52;
  std::uint32_t dwSignature = 0;
  std::uint32_t dwStrucVersion = 0;
  std::uint32_t dwFileVersionMS = 0;
  std::uint32_t dwFileVersionLS = 0;
  std::uint32_t dwProductVersionMS = 0;
  std::uint32_t dwProductVersionLS = 0;
  std::uint32_t dwFileFlagsMask = 0;
  std::uint32_t dwFileFlags = 0;
  std::uint32_t dwFileOS = 0;
  std::uint32_t dwFileType = 0;
  std::uint32_t dwFileSubtype = 0;
  std::uint32_t dwFileDateMS = 0;
  std::uint32_t dwFileDateLS = 0;
};

// The value of one node: its bytes inside the block and whether it is text.
struct VersionValue {
  std::string_view bytes;
  bool isText = false;
};

// The value at subBlock (keys compared without regard to ASCII case), or
// nothing when a node on the way is missing or damaged.
std::optional<VersionValue> QueryVersionValue(std::string_view block, std::string_view subBlock);

// Size in bytes of the file's version block; 0 when it has none.
std::size_t VerInfoBufferSize(VersionResources& resources, const std::string& path);
// Fills buffer with the first size bytes of the file's version block; raises
// kCantLoadVersionInfo when there is none (or size is 0).
void LoadVerInfo(VersionResources& resources, const std::string& path, std::size_t size,
                 std::string& buffer);
// The fixed block; raises kCantReadFixedFileInfo when it is absent and
// kFixedFileInfoWrongSize when its length is not 52 bytes.
TFixedFileInfo ReadFixedFileInfo(std::string_view buffer);
// The translation table; empty when the block has none. A partial entry at
// the end is ignored.
TTransRecArray ReadTranslations(std::string_view buffer);
// "040904B0" for language 0x0409 with code page 0x04B0.
std::string TranslationKey(const TTransRec& translation);
// The text of \StringFileInfo\<key>\<name>, or an empty text when absent.
std::string ReadStringFileInfo(std::string_view buffer, const std::string& translationKey,
                               const std::string& name);

}  // namespace brenvik
