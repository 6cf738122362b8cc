// Feeds arbitrary received datagrams to the reply examiner. The first two
// bytes are the sequence number of the ping waited for; the rest is the
// datagram, IP header included, in a buffer of exactly its size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "net/IdIcmpClient.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 2 || Size - 2 > ReceiveBufferSize) return 0;
  std::uint16_t Sequence;
  std::memcpy(&Sequence, Data, sizeof Sequence);
  const std::vector<std::uint8_t> Datagram(Data + 2, Data + Size);
  const TIdEchoDatagram D = ExamineDatagram(Datagram, Sequence);
  const std::size_t H = Datagram.empty() ? 0 : std::size_t{Datagram[0] & 0x0Fu} * 4;
  const bool Short = Datagram.size() < 20 || Datagram.size() < H + 8;
  if ((D.Verdict == TIdDatagramVerdict::TooShort) != Short) std::abort();
  if (D.Verdict == TIdDatagramVerdict::Accepted && D.SequenceNumber != Sequence) std::abort();
  return 0;
}
