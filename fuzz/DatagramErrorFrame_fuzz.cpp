// Feeds arbitrary ancillary data and quoted requests to the datagram
// socket's error framing, as a receive from its error queue would hand them
// over: the first two bytes give the control part's length, then the
// control part, then our request as the error quoted it. A frame built from
// what the parser found must read back: its outer header, the error's type
// and code, and the quoted request behind a header of its own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/winsock/IcmpFrames.h"
#include "wire/ControlMessages.h"
#include "wire/Icmp.h"
#include "wire/IpHeader.h"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 2) return 0;
  const std::size_t controlSize = std::min<std::size_t>(Data[0] | Data[1] << 8, Size - 2);
  const wire::ReceiveInfo info = wire::ReadControl({Data + 2, controlSize});
  if (!info.error) return 0;
  const std::span<const std::uint8_t> quoted{Data + 2 + controlSize, Size - 2 - controlSize};
  const winsock::IcmpErrorFields fields{info.error->type,
                                        info.error->code,
                                        info.error->info,
                                        {0x0100007F, 0x0100007F, info.ttl.value_or(0)},
                                        {0x0100007F, 0x0200007F, 0}};
  const std::vector<std::uint8_t> frame = winsock::FrameIcmpError(fields, quoted);
  const std::optional<wire::IpHeaderView> outer = wire::ReadIpv4(frame);
  if (!outer || outer->payload.size() != wire::kIcmpHeader + wire::kIpv4MinHeader + quoted.size())
    std::abort();
  const std::optional<wire::IcmpView> view = wire::ReadIcmp(wire::Family::kIpv4, outer->payload);
  if (!view || view->type != fields.type || view->code != fields.code) std::abort();
  if (!quoted.empty() && quoted[0] == wire::kIcmpEchoRequest &&
      view->kind != wire::MessageKind::kOther && view->kind != wire::MessageKind::kEchoReply &&
      view->kind != wire::MessageKind::kEchoRequest &&
      !std::equal(view->echo.begin(), view->echo.end(), quoted.begin()))
    std::abort();
  return 0;
}
