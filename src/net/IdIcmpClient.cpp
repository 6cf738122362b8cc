#include "net/IdIcmpClient.h"

#include <algorithm>
#include <cstring>

#include "net/IdException.h"
#include "net/IdResourceStrings.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Process.h"

namespace {

constexpr std::uint8_t IcmpEchoReply = 0;
constexpr std::uint8_t IcmpUnreachable = 3;
constexpr std::uint8_t IcmpEchoRequest = 8;
constexpr std::uint8_t IcmpTimeExceeded = 11;

constexpr std::size_t IpFixedHeaderSize = 20;
constexpr std::size_t IpTtlOffset = 8;
constexpr std::size_t IpSourceOffset = 12;
constexpr std::size_t IcmpHeaderSize = 8;
constexpr std::size_t IcmpSequenceOffset = 6;
constexpr std::size_t PayloadOffset = 20;
constexpr std::uint8_t PayloadFill = 0x45;

// Multi-byte fields of the request are kept in the machine's byte order, low
// byte first, as the request has always carried them.
void StoreLowFirst(std::uint8_t* AAt, std::uint32_t AValue, std::size_t ASize) {
  for (std::size_t I = 0; I < ASize; ++I) AAt[I] = static_cast<std::uint8_t>(AValue >> (8 * I));
}

std::uint16_t ReadWord(const std::uint8_t* AAt) {
  std::uint16_t Word;
  std::memcpy(&Word, AAt, sizeof Word);
  return Word;
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
  std::uint32_t Sum = 0;
  for (std::size_t I = 0; I + 1 < AData.size(); I += 2) Sum += ReadWord(&AData[I]);
  if (AData.size() % 2 != 0) {
    const std::uint8_t Padded[2] = {AData.back(), 0};
    Sum += ReadWord(Padded);
  }
  Sum = (Sum >> 16) + (Sum & 0xFFFF);
  Sum += Sum >> 16;
  return static_cast<std::uint16_t>(~Sum);
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

TIdEchoDatagram ExamineDatagram(std::span<const std::uint8_t> ADatagram, std::uint16_t ASequence) {
  TIdEchoDatagram Result;
  const std::size_t Length = ADatagram.size();
  const std::size_t H = Length == 0 ? 0 : std::size_t{ADatagram[0] & 0x0Fu} * 4;
  // A datagram without a whole fixed IP header cannot hold the fields read below.
  if (Length < H + IcmpHeaderSize || Length < IpFixedHeaderSize) {
    Result.Verdict = TIdDatagramVerdict::TooShort;
    return Result;
  }
  const std::uint8_t Type = ADatagram[H];
  std::size_t SequenceAt = 0;
  switch (Type) {
    case IcmpEchoReply:
    case IcmpEchoRequest:
      Result.Status = rsEcho;
      SequenceAt = H + IcmpSequenceOffset;
      break;
    case IcmpUnreachable:
    case IcmpTimeExceeded:
      Result.Status = Type == IcmpUnreachable ? rsErrorUnreachable : rsErrorTTLExceeded;
      // The quoted request's IP header is taken to be as long as the outer one.
      SequenceAt = H + IcmpHeaderSize + H + IcmpSequenceOffset;
      break;
    default:
      Result.Verdict = TIdDatagramVerdict::NonEcho;
      return Result;
  }
  if (SequenceAt + 2 > Length || ReadWord(&ADatagram[SequenceAt]) != ASequence) return Result;
  Result.Verdict = TIdDatagramVerdict::Accepted;
  Result.MessageType = Type;
  Result.SequenceNumber = ASequence;
  Result.Ttl = ADatagram[IpTtlOffset];
  std::copy_n(&ADatagram[IpSourceOffset], Result.Source.size(), Result.Source.begin());
  return Result;
}

TIdIcmpClient::TIdIcmpClient(TComponent* AOwner) : TIdRawClient(AOwner) {
  SetProtocol(Id_IPPROTO_ICMP);
  SetReceiveTimeout(5000);
}

void TIdIcmpClient::PingHost(const std::string& APayload, std::uint16_t ASequence) {
  if (ASequence != 0) FSequence = ASequence;
  BuildEchoRequest(FRequest, FSequence, APayload);
  const std::uint32_t Start = TickMs();
  const std::int64_t StartNs = MonotonicNs();
  SendPacket(Host(), Port(), FRequest.data(), static_cast<std::int32_t>(FRequest.size()));
  FReplyStatus = WaitForReply(ReceiveTimeout());
  const std::uint32_t Elapsed = TickSpan(Start, TickMs());
  FRoundTripUs = static_cast<std::uint64_t>(MonotonicNs() - StartNs) / 1000;
  ReadySocket().Close();
  FReplyStatus.RoundTripMs = Elapsed;
  if (OnReply) OnReply(this, FReplyStatus);
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
    SharedStack->CheckSocketResult(Received);
    if (Received == 0) return TimeOutStatus();
    const TIdEchoDatagram Datagram = ExamineDatagram(
        std::span(FReceiveBuffer.data(), static_cast<std::size_t>(Received)), FSequence);
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
    Wait = ATimeOut - std::int64_t{TickSpan(Start, TickMs())};
    if (Wait <= 0) return TimeOutStatus();
  }
}

TReplyStatus TIdIcmpClient::TimeOutStatus() const {
  return TReplyStatus{0, "0.0.0.0", 0, FSequence, 0, 0, rsTimeOut};
}
