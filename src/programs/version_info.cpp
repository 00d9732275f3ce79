#include "programs/version_info.h"

#include <algorithm>
#include <cstdio>

#include "base/errors.h"
#include "base/utf8.h"
#include "records/text_helpers.h"

namespace brenvik {
namespace {

constexpr std::size_t kNodeHeader = 6;

std::uint32_t U16At(std::string_view b, std::size_t at) {
  return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t U32At(std::string_view b, std::size_t at) {
  return U16At(b, at) | (U16At(b, at + 2) << 16);
}

std::size_t Align4(std::size_t at) { return (at + 3) & ~static_cast<std::size_t>(3); }

// UTF-16LE characters from bytes up to the first null or the end.
std::u16string Utf16Until0(std::string_view bytes) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto c = static_cast<char16_t>(U16At(bytes, i));
    if (c == 0) break;
    text += c;
  }
  return text;
}

struct Node {
  std::size_t end = 0;
  std::string key;
  VersionValue value;
  std::size_t childrenStart = 0;
};

// The node at start, which must end by limit.
bool ParseNode(std::string_view block, std::size_t start, std::size_t limit, Node& node) {
  if (start > limit || limit - start < kNodeHeader) return false;
  const std::size_t length = U16At(block, start);
  if (length < kNodeHeader || length > limit - start) return false;
  node.end = start + length;
  const std::size_t valueLength = U16At(block, start + 2);
  node.value.isText = U16At(block, start + 4) == 1;
  std::size_t at = start + kNodeHeader;
  std::u16string key;
  for (;; at += 2) {
    if (at + 2 > node.end) return false;  // key without its terminator
    const auto c = static_cast<char16_t>(U16At(block, at));
    if (c == 0) break;
    key += c;
  }
  node.key = Utf16ToUtf8(key);
  const std::size_t valueStart = std::min(Align4(at + 2), node.end);
  std::size_t valueBytes = node.value.isText ? valueLength * 2 : valueLength;
  if (valueBytes > node.end - valueStart) {
    // Some resource compilers count the bytes of a text value instead of its
    // characters; a text is cut at the node's end, a binary value is damaged.
    if (!node.value.isText) return false;
    valueBytes = node.end - valueStart;
  }
  node.value.bytes = block.substr(valueStart, valueBytes);
  node.childrenStart = std::min(Align4(valueStart + valueBytes), node.end);
  return true;
}

bool FindChild(std::string_view block, const Node& parent, std::string_view key, Node& child) {
  std::size_t at = parent.childrenStart;
  while (at < parent.end && parent.end - at >= kNodeHeader) {
    if (!ParseNode(block, at, parent.end, child)) return false;
    if (EqualsIgnoreCase(child.key, key)) return true;
    at = Align4(child.end);
  }
  return false;
}

}  // namespace

std::optional<VersionValue> QueryVersionValue(std::string_view block, std::string_view subBlock) {
  Node node;
  if (!ParseNode(block, 0, block.size(), node)) return std::nullopt;
  for (const std::string& key : SplitByChar(subBlock, '\\')) {
    if (key.empty()) continue;
    Node child;
    if (!FindChild(block, node, key, child)) return std::nullopt;
    node = child;
  }
  return node.value;
}

std::size_t VerInfoBufferSize(VersionResources& resources, const std::string& path) {
  const std::optional<std::string> block = resources.LoadVersionBlock(path);
  return block ? block->size() : 0;
}

void LoadVerInfo(VersionResources& resources, const std::string& path, std::size_t size,
                 std::string& buffer) {
  std::optional<std::string> block = resources.LoadVersionBlock(path);
  if (!block || block->empty() || size == 0) throw FileError(kCantLoadVersionInfo);
  if (block->size() > size) block->resize(size);
  buffer = std::move(*block);
}

TFixedFileInfo ReadFixedFileInfo(std::string_view buffer) {
  const std::optional<VersionValue> value = QueryVersionValue(buffer, "\\");
  if (!value || value->bytes.empty()) throw FileError(kCantReadFixedFileInfo);
  if (value->bytes.size() != TFixedFileInfo::kSize) throw FileError(kFixedFileInfoWrongSize);
  const std::string_view b = value->bytes;
  TFixedFileInfo info;
  std::uint32_t* fields[] = {
      &info.dwSignature,     &info.dwStrucVersion,     &info.dwFileVersionMS,
      &info.dwFileVersionLS, &info.dwProductVersionMS, &info.dwProductVersionLS,
      &info.dwFileFlagsMask, &info.dwFileFlags,        &info.dwFileOS,
      &info.dwFileType,      &info.dwFileSubtype,      &info.dwFileDateMS,
      &info.dwFileDateLS};
  for (std::size_t i = 0; i < 13; ++i) *fields[i] = U32At(b, i * 4);
  return info;
}

TTransRecArray ReadTranslations(std::string_view buffer) {
  TTransRecArray table;
  const std::optional<VersionValue> value = QueryVersionValue(buffer, "\\VarFileInfo\\Translation");
  if (!value) return table;
  for (std::size_t i = 0; i + 4 <= value->bytes.size(); i += 4) {
    table.push_back({static_cast<std::uint16_t>(U16At(value->bytes, i)),
                     static_cast<std::uint16_t>(U16At(value->bytes, i + 2))});
  }
  return table;
}

std::string TranslationKey(const TTransRec& translation) {
  char key[9];
  std::snprintf(key, sizeof key, "%4.4X%4.4X", static_cast<unsigned>(translation.Lang),
                static_cast<unsigned>(translation.CharSet));
  return key;
}

std::string ReadStringFileInfo(std::string_view buffer, const std::string& translationKey,
                               const std::string& name) {
  const std::optional<VersionValue> value =
      QueryVersionValue(buffer, "\\StringFileInfo\\" + translationKey + "\\" + name);
  if (!value) return {};
  return Utf16ToUtf8(Utf16Until0(value->bytes));
}

}  // namespace brenvik
