// The command channel to the Brenvik service: a numbered command with a text
// parameter, sent as the UTF-16LE text "code;param" in one pipe transaction.
// The monitor never uses the reply; it looks at the data folder afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "platform/service_pipe.h"

namespace brenvik {

inline constexpr std::uint8_t kCommandHandOverLines = 2;
inline constexpr std::uint8_t kCommandReloadWatchedPrograms = 3;
inline constexpr std::size_t kMaxReplyBytes = 4;

// The bytes of a command message: UTF-16LE code units, no terminator.
std::string ServiceCommandMessage(std::uint8_t code, const std::string& param);

class TPBPipeClient {
 public:
  TPBPipeClient(ServicePipe& pipe, std::string path) : pipe_(pipe), path_(std::move(path)) {}
  // Sends the text to the kept path; raises PlatformError on failure.
  void SendData(const std::string& data);
  // The same for an explicit path.
  static void SendData(ServicePipe& pipe, const std::string& path, const std::string& data);

 private:
  ServicePipe& pipe_;
  std::string path_;
};

// True when the command was delivered and a reply came back; false on any
// failure. Nothing is reported to the user.
bool SendServiceCommand(ServicePipe& pipe, const std::string& dataFolder, std::uint8_t code,
                        const std::string& param);

}  // namespace brenvik
