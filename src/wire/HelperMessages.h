// The narrow protocol between its users (the probe engine, the socket
// library) and the privileged echo helper. Users send commands on the
// control channel and read one result per command, in order, on it; the
// helper passes the answers to its own requests on the data channel, one
// relay per message. Both channels are SOCK_SEQPACKET. Pure functions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "wire/Address.h"

namespace quorvel::wire {

// The helper's file, beside the library or program that starts it.
inline constexpr const char* kHelperFileName = "quorvel-icmp-helper";

// The descriptors the helper is started with.
inline constexpr int kControlChannel = 0;
inline constexpr int kDataChannel = 1;

// The largest echo request the helper sends: an ICMP header and 120 bytes,
// room for every request of ours, too little to carry anything else in bulk.
inline constexpr std::size_t kHelperMaxRequest = 128;
// The most answers it passes on in one message: a whole ICMP error quoting
// a whole request, behind the relay header.
inline constexpr std::size_t kHelperMaxRelay = 2048;

enum class HelperMessage : std::uint8_t {
  kSendEcho = 'E',  // user to helper
  kResult = 'R',    // helper to user: how the oldest unanswered command ended
  kReady = 'H',     // helper to user, once: which raw sockets it opened
  kRelay = 'A',     // helper to user: an answer to one of its requests
};

// "Send this echo request to this address with this time-to-live or hop limit."
struct EchoCommand {
  IpAddress destination;
  std::uint8_t ttl = 0;
  std::span<const std::uint8_t> request;  // the whole ICMP message
};

enum class CommandFault : std::uint8_t {
  kNone,
  kTooShort,        // shorter than its header and an ICMP header
  kTooLong,         // a request over kHelperMaxRequest bytes
  kUnknownKind,     // not a send command
  kBadFamily,       // neither 4 nor 6, or reserved bytes set
  kNoTtl,           // time-to-live 0
  kNotEchoRequest,  // not an echo request of its family with code 0
  kGroupAddress,    // multicast, broadcast or unspecified destination
};

// Reads a command; `out->request` points into `bytes`.
CommandFault ParseCommand(std::span<const std::uint8_t> bytes, EchoCommand* out);
std::vector<std::uint8_t> BuildCommand(const EchoCommand& command);
// The errno a refused command is answered with.
int FaultErrno(CommandFault fault);

// A result: the errno (0 when sent) and the CLOCK_REALTIME nanoseconds taken
// right before the send. The ready message uses the same shape: the errno of
// its IPv4 raw socket, and in `sentNs` that of its IPv6 one.
struct HelperResult {
  std::int32_t error = 0;
  std::int64_t sentNs = 0;
};
inline constexpr std::size_t kResultSize = 16;
std::array<std::uint8_t, kResultSize> BuildResult(HelperMessage kind, const HelperResult& result);
std::optional<HelperResult> ParseResult(std::span<const std::uint8_t> bytes, HelperMessage kind);

// An answer passed on: the ICMP message as its raw socket read it (for IPv4
// without the IP header), who sent it to which address of ours, its
// time-to-live or hop limit and the kernel's receive time stamp.
struct Relay {
  IpAddress source;
  IpAddress destination;  // of the source's family
  std::uint8_t ttl = 0;
  std::int64_t receivedNs = 0;  // CLOCK_REALTIME
  std::span<const std::uint8_t> message;
};
inline constexpr std::size_t kRelayHeader = 44;
std::vector<std::uint8_t> BuildRelay(const Relay& relay);
// Reads a relay; `message` points into `bytes`. nullopt when malformed.
std::optional<Relay> ParseRelay(std::span<const std::uint8_t> bytes);

}  // namespace quorvel::wire
