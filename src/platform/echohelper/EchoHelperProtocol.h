// The narrow protocol between the socket library and the privileged echo
// helper, the small program that holds the only raw ICMP socket. The library
// sends commands on the control channel and reads one result for each; the
// helper passes on the datagrams that answer its requests on the data
// channel, one whole IPv4 datagram per message. Pure functions over bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvel::echohelper {

// The helper's file, beside the socket library that starts it.
inline constexpr const char* kHelperFileName = "quorvel-icmp-helper";

// The descriptors the helper is started with, each one end of a
// SOCK_SEQPACKET pair whose other end the library keeps.
inline constexpr int kControlChannel = 0;
inline constexpr int kDataChannel = 1;

inline constexpr std::size_t kIcmpHeaderSize = 8;
inline constexpr std::size_t kMaxEchoRequest = 1024;
inline constexpr std::size_t kCommandHeaderSize = 8;
inline constexpr std::size_t kMaxCommandSize = kCommandHeaderSize + kMaxEchoRequest;
inline constexpr std::size_t kResultSize = 8;
// The largest IPv4 datagram: the most one relayed message holds.
inline constexpr std::size_t kMaxDatagram = 65535;

enum class MessageKind : std::uint8_t {
  kSendEcho = 'E',  // library to helper: the command below
  kResult = 'R',    // helper to library: how the last command ended
  kReady = 'H',     // helper to library, once: whether its raw socket is open
};

// "Send this ICMP echo request (type 8, code 0) to this IPv4 address with
// this time-to-live." On the wire: kind, TTL, two zero bytes, the address in
// network order, then the request.
struct EchoCommand {
  std::uint32_t destination = 0;  // network order
  std::uint8_t ttl = 0;
  std::span<const std::uint8_t> request;  // the whole ICMP message
};

enum class CommandFault {
  kNone,
  kTooShort,        // shorter than a header and an ICMP header
  kTooLong,         // a request over kMaxEchoRequest bytes
  kUnknownKind,     // not a send command
  kReservedSet,     // the reserved bytes are not zero
  kNoTtl,           // time-to-live 0
  kNotEchoRequest,  // an ICMP type other than 8, or a code other than 0
};

// Reads a command; `out->request` points into `bytes`.
CommandFault ParseCommand(std::span<const std::uint8_t> bytes, EchoCommand* out);
// The errno the helper answers a refused command with.
int FaultErrno(CommandFault fault);

std::vector<std::uint8_t> BuildCommand(const EchoCommand& command);

// A result or the ready message: its kind and an errno, 0 for success.
std::array<std::uint8_t, kResultSize> BuildResult(MessageKind kind, std::int32_t error);
// False when `bytes` is not a message of that kind.
bool ParseResult(std::span<const std::uint8_t> bytes, MessageKind kind, std::int32_t* error);

}  // namespace quorvel::echohelper
