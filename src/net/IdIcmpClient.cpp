#include "net/IdIcmpClient.h"

#include <arpa/inet.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

#include "net/IdException.h"
#include "net/IdResourceStrings.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Process.h"
#include "wire/Checksum.h"
#include "wire/EchoMatch.h"
#include "wire/IpHeader.h"

namespace wire = quorvel::wire;

namespace {

constexpr std::uint8_t IcmpEchoReply = wire::kIcmpEchoReply;
constexpr std::uint8_t IcmpUnreachable = wire::kIcmpUnreachable;
constexpr std::uint8_t IcmpEchoRequest = wire::kIcmpEchoRequest;
constexpr std::uint8_t IcmpTimeExceeded = wire::kIcmpTimeExceeded;

constexpr std::size_t IcmpSequenceOffset = 6;
// An answer repeats the identifier, the sequence number and the time stamp.
constexpr std::size_t IcmpStampEnd = 12;
constexpr std::size_t PayloadOffset = 20;
constexpr std::uint8_t PayloadFill = 0x45;

// Multi-byte fields of the request are kept in the machine's byte order, low
// byte first, as the request has always carried them.
void StoreLowFirst(std::uint8_t* AAt, std::uint32_t AValue, std::size_t ASize) {
  for (std::size_t I = 0; I < ASize; ++I) AAt[I] = static_cast<std::uint8_t>(AValue >> (8 * I));
}

// Nanoseconds of the monotonic clock, for round trips finer than TickMs.
std::int64_t MonotonicNs() {
  std::int64_t Count = 0;
  QueryPerformanceCounter(&Count);
  return Count;
}

}  // namespace

std::uint32_t TickMs() {
  std::int64_t Frequency = 0;
  std::int64_t Count = 0;
  if (QueryPerformanceFrequency(&Frequency) && QueryPerformanceCounter(&Count) && Frequency > 0) {
    // Split so that the product cannot overflow for any counter value.
    const std::int64_t Ms = Count / Frequency * 1000 + Count % Frequency * 1000 / Frequency;
    return static_cast<std::uint32_t>(Ms);
  }
  return GetTickCount();
}

std::uint32_t TickSpan(std::uint32_t AOld, std::uint32_t ANew) {
  return ANew >= AOld ? ANew - AOld : 0xFFFFFFFFu - AOld + ANew;
}

std::uint16_t InternetChecksum(std::span<const std::uint8_t> AData) {
  return htons(wire::Checksum(AData));
}

void BuildEchoRequest(TIdEchoRequest& ARequest, std::uint16_t ASequence,
                      const std::string& APayload) {
  ARequest.fill(0);
  ARequest[0] = IcmpEchoRequest;
  StoreLowFirst(&ARequest[4], GetCurrentProcessId() & 0xFFFF, 2);
  StoreLowFirst(&ARequest[6], ASequence, 2);
  StoreLowFirst(&ARequest[8], TickMs(), 4);
  const std::size_t Taken = std::min(APayload.size(), EchoRequestSize - PayloadOffset);
  std::memcpy(&ARequest[PayloadOffset], APayload.data(), Taken);
  std::fill(ARequest.begin() + PayloadOffset + Taken, ARequest.end(), PayloadFill);
  const std::uint16_t Checksum = InternetChecksum(ARequest);
  std::memcpy(&ARequest[2], &Checksum, sizeof Checksum);
}

TIdEchoDatagram ExamineDatagram(std::span<const std::uint8_t> ADatagram,
                                const TIdEchoRequest& ARequest) {
  TIdEchoDatagram Result;
  const std::size_t H = ADatagram.empty() ? 0 : wire::Ipv4HeaderLength(ADatagram[0]);
  // A datagram without a whole fixed IP header cannot hold the fields read below.
  if (ADatagram.size() < std::max(wire::kIpv4MinHeader, H + wire::kIcmpHeader)) {
    Result.Verdict = TIdDatagramVerdict::TooShort;
    return Result;
  }
  // A header that no IPv4 socket delivers holds nothing of ours.
  const std::optional<wire::IpHeaderView> Header = wire::ReadIpv4(ADatagram);
  if (!Header) return Result;
  const std::optional<wire::IcmpView> Message =
      wire::ReadIcmp(wire::Family::kIpv4, Header->payload);
  // An echo is ours when it carries the request's identifier, sequence number
  // and, as far as it reaches, time stamp; an error when it quotes them.
  if (!wire::Answers(*Message, ARequest, {IcmpStampEnd, false})) return Result;
  const std::uint8_t Type = Message->type;
  switch (Type) {
    case IcmpEchoReply:
    case IcmpEchoRequest:
      Result.Status = rsEcho;
      break;
    case IcmpUnreachable:
      Result.Status = rsErrorUnreachable;
      break;
    case IcmpTimeExceeded:
      Result.Status = rsErrorTTLExceeded;
      break;
    default:
      Result.Verdict = TIdDatagramVerdict::NonEcho;
      return Result;
  }
  Result.Verdict = TIdDatagramVerdict::Accepted;
  Result.MessageType = Type;
  // Stored low byte first, whatever the machine's own order.
  Result.SequenceNumber = static_cast<std::uint16_t>(ARequest[IcmpSequenceOffset] |
                                                     ARequest[IcmpSequenceOffset + 1] << 8);
  Result.Ttl = Header->ttl;
  std::copy_n(Header->source.bytes.begin(), Result.Source.size(), Result.Source.begin());
  return Result;
}

TIdIcmpClient::TIdIcmpClient(TComponent* AOwner) : TIdRawClient(AOwner) {
  SetProtocol(Id_IPPROTO_ICMP);
  SetReceiveTimeout(5000);
}

void TIdIcmpClient::PingHost(const std::string& APayload, std::uint16_t ASequence) {
  if (ASequence != 0) FSequence = ASequence;
  BuildEchoRequest(FRequest, FSequence, APayload);
  // The round trip is the echo's alone: the name lookup and the socket's
  // opening come before the clock starts.
  std::string Address;
  try {
    Address = SharedStack->ResolveHostText(Host());
  } catch (const EIdSocketError& E) {
    if (OnUnresolved) OnUnresolved(this, E.Message());
    throw;
  }
  TIdSocketHandle& Socket = ReadySocket();
  const std::int64_t StartNs = MonotonicNs();
  Socket.SendDatagram(Address, Port(), FRequest.data(), static_cast<std::int32_t>(FRequest.size()));
  FReplyStatus = WaitForReply(ReceiveTimeout());
  const std::int64_t EndNs = FReplyStatus.Status == rsTimeOut ? MonotonicNs() : FAnsweredNs;
  ReadySocket().Close();
  const auto Ns = static_cast<std::uint64_t>(std::max<std::int64_t>(EndNs - StartNs, 0));
  FRoundTripUs = (Ns + 500) / 1000;
  // Rounded, never the difference of two truncated millisecond readings.
  FReplyStatus.RoundTripMs =
      static_cast<std::uint32_t>(std::min<std::uint64_t>((Ns + 500000) / 1000000, UINT32_MAX));
  if (OnReply) OnReply(this, FReplyStatus);
  if (OnOutcome) OnOutcome(this, FReplyStatus);
  ++FSequence;
}

TReplyStatus TIdIcmpClient::WaitForReply(std::int32_t ATimeOut) {
  FReceiveBuffer.fill(0);
  const std::uint32_t Start = TickMs();
  std::int64_t Wait = ATimeOut;
  // Each pass takes one datagram; the time left shrinks with every pass, so
  // the loop ends by the time-out at the latest.
  for (;;) {
    const std::int32_t Received =
        ReceivePacket(FReceiveBuffer.data(), static_cast<std::int32_t>(FReceiveBuffer.size()),
                      static_cast<std::int32_t>(Wait));
    // No answer of ours comes near the buffer's size: a datagram too large
    // for it belongs to someone else.
    const bool TooLarge = SharedStack->CheckSocketResult(Received, {Id_WSAEMSGSIZE});
    if (Received == 0) return TimeOutStatus();
    FAnsweredNs = MonotonicNs();
    const std::int64_t Left = ATimeOut - std::int64_t{TickSpan(Start, TickMs())};
    // The wait does not count the time spent on window messages between its
    // slices, so a datagram may be read after the time-out has passed: too
    // late to be the answer.
    if (Left < 0 && ATimeOut >= 0) return TimeOutStatus();
    const TIdEchoDatagram Datagram =
        TooLarge
            ? TIdEchoDatagram{}
            : ExamineDatagram(std::span(FReceiveBuffer.data(), static_cast<std::size_t>(Received)),
                              FRequest);
    switch (Datagram.Verdict) {
      case TIdDatagramVerdict::TooShort:
        throw EIdIcmpException(RSICMPNotEnoughtBytes);
      case TIdDatagramVerdict::NonEcho:
        throw EIdIcmpException(RSICMPNonEchoResponse);
      case TIdDatagramVerdict::Accepted:
        return TReplyStatus{Received,
                            SharedStack->AddressToText(Datagram.Source),
                            Datagram.MessageType,
                            Datagram.SequenceNumber,
                            0,
                            Datagram.Ttl,
                            Datagram.Status};
      case TIdDatagramVerdict::Foreign:
        break;
    }
    if (Left <= 0) return TimeOutStatus();
    Wait = Left;
  }
}

TReplyStatus TIdIcmpClient::TimeOutStatus() const {
  return TReplyStatus{0, "0.0.0.0", 0, FSequence, 0, 0, rsTimeOut};
}
