// Feeds arbitrary received datagrams to the reply examiner. The first eight
// bytes are those of the request waited for after its checksum (identifier,
// sequence number and time stamp, as stored); the rest is the datagram, IP
// header included, in a buffer of exactly its size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "net/IdIcmpClient.h"

namespace {

constexpr std::size_t RequestBytes = 8;

std::size_t HeaderLength(std::uint8_t AFirstByte) { return std::size_t{AFirstByte & 0x0Fu} * 4; }

// Whether AAt holds the request's identifier and sequence number.
bool CarriesRequest(const std::vector<std::uint8_t>& ADatagram, std::size_t AAt,
                    const TIdEchoRequest& ARequest) {
  return AAt + 8 <= ADatagram.size() &&
         std::equal(ARequest.begin() + 4, ARequest.begin() + 8, ADatagram.begin() + AAt + 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < RequestBytes || Size - RequestBytes > ReceiveBufferSize) return 0;
  TIdEchoRequest Request{};
  Request[0] = 8;
  std::copy(Data, Data + RequestBytes, Request.begin() + 4);
  const std::vector<std::uint8_t> Datagram(Data + RequestBytes, Data + Size);
  const TIdEchoDatagram D = ExamineDatagram(Datagram, Request);
  const std::size_t H = Datagram.empty() ? 0 : HeaderLength(Datagram[0]);
  const bool Short = Datagram.size() < 20 || Datagram.size() < H + 8;
  if ((D.Verdict == TIdDatagramVerdict::TooShort) != Short) std::abort();
  if (D.Verdict != TIdDatagramVerdict::Accepted && D.Verdict != TIdDatagramVerdict::NonEcho)
    return 0;
  if (D.Verdict == TIdDatagramVerdict::Accepted &&
      D.SequenceNumber != (Request[6] | Request[7] << 8))
    std::abort();
  const std::uint8_t Type = Datagram[H];
  if (Type == 0 || Type == 8) {
    if (!CarriesRequest(Datagram, H, Request)) std::abort();
    return 0;
  }
  // Anything else is ours only through a quote behind a header of its own
  // length, at least 20 bytes and within what was received.
  const std::size_t QuotedHeader =
      H + 8 + 20 <= Datagram.size() ? HeaderLength(Datagram[H + 8]) : 0;
  if (QuotedHeader < 20 || !CarriesRequest(Datagram, H + 8 + QuotedHeader, Request)) std::abort();
  return 0;
}
