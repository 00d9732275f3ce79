// The message a client sends on the service's pipe: the UTF-16LE text
// "code;param" (code in decimal, no terminator), and the 4-byte reply, the
// UTF-16LE text "OK" when the command was carried out and "NO" when not.
// Shared by the POSIX socket server and the Windows named-pipe server.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace brenvik::service {

// Longer messages are not commands; a server reads no more than this.
inline constexpr std::size_t kMaxMessageBytes = 4096;

struct ServiceCommand {
  int code = 0;
  std::string param;
};

// The command in a message; nothing when the bytes are not UTF-16LE text of
// the form "code;param" with a decimal code of at most three digits.
std::optional<ServiceCommand> ParseCommandMessage(const std::string& bytes);

// The reply bytes for a command carried out (done) or not.
std::string CommandReply(bool done);

}  // namespace brenvik::service
