#include "datastore/service_link/service_channel.h"

#include <exception>

#include "base/utf8.h"

namespace brenvik {

std::string ServiceCommandMessage(std::uint8_t code, const std::string& param) {
  return Utf8ToUtf16LeBytes(std::to_string(code) + ";" + param);
}

void TPBPipeClient::SendData(const std::string& data) { SendData(pipe_, path_, data); }

void TPBPipeClient::SendData(ServicePipe& pipe, const std::string& path, const std::string& data) {
  pipe.Transact(path, Utf8ToUtf16LeBytes(data), kMaxReplyBytes);
}

bool SendServiceCommand(ServicePipe& pipe, const std::string& dataFolder, std::uint8_t code,
                        const std::string& param) {
  try {
    const std::string path = pipe.PipePath(dataFolder);
    TPBPipeClient client(pipe, path);
    client.SendData(std::to_string(code) + ";" + param);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace brenvik
