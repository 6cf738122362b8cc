// Feeds arbitrary bytes to the echo helper as a command and, the same bytes,
// as an ICMP message its raw socket received from the command's destination.
// A command it takes must read back as it came, aim at a single host, and
// make the reply to its request one that is passed on; a reply with any
// other payload, or any message passed on that is neither a reply nor an
// error, must not be.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "helper/RelayFilter.h"
#include "wire/HelperMessages.h"
#include "wire/Icmp.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::span<const std::uint8_t> bytes{Data, Size};
  helper::SentEchoes sent;
  wire::EchoCommand command;
  wire::IpAddress source;
  if (wire::ParseCommand(bytes, &command) == wire::CommandFault::kNone) {
    const std::vector<std::uint8_t> again = wire::BuildCommand(command);
    if (again.size() != Size || std::memcmp(again.data(), Data, Size) != 0) std::abort();
    if (command.destination.IsGroup() || command.destination.IsUnspecified()) std::abort();
    sent.Remember(command.destination, command.request);
    std::vector<std::uint8_t> reply(command.request.begin(), command.request.end());
    reply[0] = wire::EchoReplyType(command.destination.family);
    if (!sent.Answers(command.destination, reply)) std::abort();
    reply.back() ^= 0x01;
    if (reply.size() > wire::kIcmpHeader + 4 && sent.Answers(command.destination, reply))
      std::abort();
    source = command.destination;
  }
  if (sent.Answers(source, bytes)) {
    const std::optional<wire::IcmpView> view = wire::ReadIcmp(source.family, bytes);
    if (!view || view->kind == wire::MessageKind::kEchoRequest ||
        view->kind == wire::MessageKind::kOther)
      std::abort();
  }
  return 0;
}
