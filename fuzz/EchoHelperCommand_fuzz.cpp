// Feeds arbitrary bytes to the echo helper as a command and, the same bytes,
// as a datagram its raw socket received. A command it takes must read back
// as it came and make the reply to its request one that is passed on; a
// datagram passed on must be an echo reply or an error about a request.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "platform/echohelper/EchoHelperProtocol.h"
#include "platform/echohelper/RelayFilter.h"

using namespace quorvel::echohelper;

namespace {

// The echo reply that `command`'s destination sends back to it.
std::vector<std::uint8_t> ReplyTo(const EchoCommand& command) {
  std::vector<std::uint8_t> datagram(20, 0);
  datagram[0] = 0x45;
  datagram[9] = 1;
  std::memcpy(&datagram[12], &command.destination, 4);
  datagram.insert(datagram.end(), command.request.begin(), command.request.end());
  datagram[20] = 0;
  return datagram;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::span<const std::uint8_t> bytes{Data, Size};
  SentEchoes sent;
  EchoCommand command;
  if (ParseCommand(bytes, &command) == CommandFault::kNone) {
    const std::vector<std::uint8_t> again = BuildCommand(command);
    if (again.size() != Size || std::memcmp(again.data(), Data, Size) != 0) std::abort();
    sent.Remember(command.destination, command.request);
    if (!Relayable(ReplyTo(command), sent)) std::abort();
  }
  if (Relayable(bytes, sent)) {
    const std::size_t header = std::size_t{Data[0] & 0x0Fu} * 4;
    const std::uint8_t type = Data[header];
    if (type != 0 && type != 3 && type != 11) std::abort();
  }
  return 0;
}
