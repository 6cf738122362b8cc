#include "platform/echohelper/EchoHelperProtocol.h"

#include <cerrno>
#include <cstring>

namespace quorvel::echohelper {
namespace {

constexpr std::uint8_t kEchoRequestType = 8;

}  // namespace

CommandFault ParseCommand(std::span<const std::uint8_t> bytes, EchoCommand* out) {
  if (bytes.size() < kCommandHeaderSize + kIcmpHeaderSize) return CommandFault::kTooShort;
  if (bytes.size() > kMaxCommandSize) return CommandFault::kTooLong;
  if (bytes[0] != static_cast<std::uint8_t>(MessageKind::kSendEcho))
    return CommandFault::kUnknownKind;
  if (bytes[2] != 0 || bytes[3] != 0) return CommandFault::kReservedSet;
  if (bytes[1] == 0) return CommandFault::kNoTtl;
  const std::span<const std::uint8_t> request = bytes.subspan(kCommandHeaderSize);
  if (request[0] != kEchoRequestType || request[1] != 0) return CommandFault::kNotEchoRequest;
  out->ttl = bytes[1];
  std::memcpy(&out->destination, bytes.data() + 4, sizeof out->destination);
  out->request = request;
  return CommandFault::kNone;
}

int FaultErrno(CommandFault fault) {
  switch (fault) {
    case CommandFault::kNone:
      return 0;
    case CommandFault::kTooLong:
      return EMSGSIZE;
    default:
      return EINVAL;
  }
}

std::vector<std::uint8_t> BuildCommand(const EchoCommand& command) {
  std::vector<std::uint8_t> bytes(kCommandHeaderSize + command.request.size());
  bytes[0] = static_cast<std::uint8_t>(MessageKind::kSendEcho);
  bytes[1] = command.ttl;
  std::memcpy(bytes.data() + 4, &command.destination, sizeof command.destination);
  if (!command.request.empty())
    std::memcpy(bytes.data() + kCommandHeaderSize, command.request.data(), command.request.size());
  return bytes;
}

std::array<std::uint8_t, kResultSize> BuildResult(MessageKind kind, std::int32_t error) {
  std::array<std::uint8_t, kResultSize> bytes{};
  bytes[0] = static_cast<std::uint8_t>(kind);
  std::memcpy(bytes.data() + 4, &error, sizeof error);
  return bytes;
}

bool ParseResult(std::span<const std::uint8_t> bytes, MessageKind kind, std::int32_t* error) {
  if (bytes.size() != kResultSize || bytes[0] != static_cast<std::uint8_t>(kind)) return false;
  std::memcpy(error, bytes.data() + 4, sizeof *error);
  return true;
}

}  // namespace quorvel::echohelper
