// The echo client: sends one ICMP echo request per PingHost, waits for the
// answer, classifies it and reports the outcome, with the round-trip time,
// through OnReply. Failures that are not outcomes of the echo are raised.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "net/IdRawClient.h"
#include "net/IdStack.h"

enum TReplyStatusKind : std::uint8_t {
  rsEcho = 0,
  rsError = 1,
  rsTimeOut = 2,
  rsErrorUnreachable = 3,
  rsErrorTTLExceeded = 4
};

// The outcome of one ping.
struct TReplyStatus {
  std::int32_t ByteCount = 0;  // bytes received, IP header included
  std::string FromAddress;     // dotted source address
  std::uint8_t MessageType = 0;
  std::uint16_t SequenceNumber = 0;
  std::uint32_t RoundTripMs = 0;
  std::uint8_t Ttl = 0;
  TReplyStatusKind Status = rsEcho;
};

// The reply refers to the client's last record and is valid while the
// handler runs; a handler that keeps it copies it.
using TOnReplyEvent = std::function<void(TComponent* ASender, const TReplyStatus& AReplyStatus)>;
// Told the message of a host text that could not be resolved, before the
// failure is raised from PingHost.
using TOnUnresolvedEvent = std::function<void(TComponent* ASender, const std::string& AMessage)>;

// A 32-bit millisecond clock: the performance counter when it can be read,
// else the system tick count.
std::uint32_t TickMs();
// ANew - AOld; across a wrap one less than the modular difference.
std::uint32_t TickSpan(std::uint32_t AOld, std::uint32_t ANew);

inline constexpr std::size_t EchoRequestSize = 52;
inline constexpr std::size_t ReceiveBufferSize = 1024;
inline constexpr std::uint16_t FirstSequenceNumber = 3489;

using TIdEchoRequest = std::array<std::uint8_t, EchoRequestSize>;

// The RFC 1071 checksum of the bytes, as a word to be stored in the
// machine's byte order.
std::uint16_t InternetChecksum(std::span<const std::uint8_t> AData);

// Fills ARequest with an echo request: type 8, this process's identifier and
// ASequence (both low byte first), the time stamp, and up to 32 bytes of
// APayload padded with 'E', under its checksum.
void BuildEchoRequest(TIdEchoRequest& ARequest, std::uint16_t ASequence,
                      const std::string& APayload);

enum class TIdDatagramVerdict {
  Accepted,  // the answer to the ping
  Foreign,   // belongs to something else; the wait goes on
  TooShort,  // shorter than its IP header plus 8 bytes
  NonEcho    // an ICMP type other than 0, 3, 8 and 11 that quotes our request
};

// What one received datagram says; the fields are set for Accepted only.
struct TIdEchoDatagram {
  TIdDatagramVerdict Verdict = TIdDatagramVerdict::Foreign;
  TReplyStatusKind Status = rsError;
  std::uint8_t MessageType = 0;
  std::uint16_t SequenceNumber = 0;
  std::uint8_t Ttl = 0;
  TIdAddressBytes Source{};
};

// Examines one datagram, IP header included, for the answer to ARequest.
// An echo is ours when it carries the request's identifier and sequence
// number, and its time stamp when it is long enough to; any other type is
// ours when it quotes such a request behind the quote's own IP header. Reads
// nothing beyond ADatagram, whatever its headers claim: a quote cut too short
// to be matched, or whose header length is under 20 bytes or runs past the
// datagram, is foreign.
TIdEchoDatagram ExamineDatagram(std::span<const std::uint8_t> ADatagram,
                                const TIdEchoRequest& ARequest);

class TIdIcmpClient : public TIdRawClient {
 public:
  explicit TIdIcmpClient(TComponent* AOwner);

  // Sends one request to Host and waits up to ReceiveTimeout ms; calls
  // OnReply once before returning, or raises without calling it. A
  // non-zero ASequence replaces the sequence counter first.
  void PingHost(const std::string& APayload = "", std::uint16_t ASequence = 0);

  std::uint16_t SequenceNumber() const { return FSequence; }
  const TReplyStatus& ReplyStatus() const { return FReplyStatus; }
  // The last completed ping's round trip in microseconds, from the monotonic
  // clock: from just before the request is sent (the name resolved and the
  // socket open) to the moment its answer was read, or to the end of the wait
  // for a time-out. RoundTripMs is it rounded to whole milliseconds. Set
  // before OnReply is called.
  std::uint64_t RoundTripUs() const { return FRoundTripUs; }

  TOnReplyEvent OnReply;
  // Told every outcome once OnReply has returned, with the same record: the
  // model that records attempts beyond the designed window follows here, so
  // the designed handler stays as it is.
  TOnReplyEvent OnOutcome;
  TOnUnresolvedEvent OnUnresolved;

 private:
  TReplyStatus WaitForReply(std::int32_t ATimeOut);
  TReplyStatus TimeOutStatus() const;

  std::uint16_t FSequence = FirstSequenceNumber;
  TIdEchoRequest FRequest{};
  std::array<std::uint8_t, ReceiveBufferSize> FReceiveBuffer{};
  TReplyStatus FReplyStatus;
  std::uint64_t FRoundTripUs = 0;
  // When the accepted datagram was read, in monotonic nanoseconds.
  std::int64_t FAnsweredNs = 0;
};
