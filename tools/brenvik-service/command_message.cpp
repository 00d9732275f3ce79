#include "command_message.h"

#include "base/utf8.h"

namespace brenvik::service {
namespace {

std::optional<std::string> Utf16LeToUtf8(const std::string& bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::u16string units;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return Utf16ToUtf8(units);
}

}  // namespace

std::optional<ServiceCommand> ParseCommandMessage(const std::string& bytes) {
  const auto text = Utf16LeToUtf8(bytes);
  if (!text) return std::nullopt;
  const std::size_t semicolon = text->find(';');
  if (semicolon == 0 || semicolon == std::string::npos || semicolon > 3) return std::nullopt;
  ServiceCommand command;
  for (std::size_t i = 0; i < semicolon; ++i) {
    const char c = (*text)[i];
    if (c < '0' || c > '9') return std::nullopt;
    command.code = command.code * 10 + (c - '0');
  }
  command.param = text->substr(semicolon + 1);
  return command;
}

std::string CommandReply(bool done) { return Utf8ToUtf16LeBytes(done ? "OK" : "NO"); }

}  // namespace brenvik::service
