#include "probe/HelperLink.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "wire/HelperMessages.h"

namespace quorvel::probe {
namespace {

// How long a starting helper may take to open its sockets.
constexpr int kReadyMs = 2000;
// Messages one readiness takes from a channel.
constexpr int kPerWake = 256;
// The time-to-live a command carries when the caller leaves it to the system.
constexpr std::uint8_t kDefaultTtl = 64;

void MakeNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

std::unique_ptr<HelperLink> HelperLink::Launch(const std::string& path, int* error) {
  wire::HelperResult ready;
  const std::optional<helper::HelperProcess> process = helper::LaunchHelper(path, kReadyMs, &ready);
  if (!process) {
    *error = errno;
    return nullptr;
  }
  if (ready.error != 0 && ready.sentNs != 0) {
    *error = ready.error;
    helper::EndHelper(*process);
    return nullptr;
  }
  return std::unique_ptr<HelperLink>(new HelperLink(*process, ready));
}

HelperLink::HelperLink(const helper::HelperProcess& process, const wire::HelperResult& ready)
    : process_(process), ready_(ready) {
  MakeNonBlocking(process_.control);
  MakeNonBlocking(process_.data);
  if (::getrandom(identifier_.data(), identifier_.size(), 0) < 0) identifier_ = {0x51, 0x48};
}

HelperLink::~HelperLink() {
  helper::EndHelper(process_);
  if (quietPeer_ >= 0) ::close(quietPeer_);
}

int HelperLink::FamilyError(wire::Family family) const {
  return family == wire::Family::kIpv4 ? ready_.error : static_cast<int>(ready_.sentNs);
}

std::optional<Completion> HelperLink::Send(const wire::IpAddress& to, int ttl,
                                           std::span<const std::uint8_t> request,
                                           std::uint64_t token) {
  if (gone_) return Completion{token, ENETDOWN, 0};
  const std::vector<std::uint8_t> command =
      wire::BuildCommand({to, ttl == 0 ? kDefaultTtl : static_cast<std::uint8_t>(ttl), request});
  if (::send(process_.control, command.data(), command.size(), MSG_DONTWAIT | MSG_NOSIGNAL) < 0)
    return Completion{token, errno == EAGAIN ? ENOBUFS : errno, 0};
  unanswered_.push_back(token);
  return std::nullopt;
}

void HelperLink::TakeResults(std::vector<Completion>& completions) {
  std::array<std::uint8_t, wire::kResultSize + 1> bytes;
  for (int i = 0; i < kPerWake && !gone_; ++i) {
    const ssize_t size = ::recv(process_.control, bytes.data(), bytes.size(), MSG_DONTWAIT);
    if (size < 0) return;
    const std::optional<wire::HelperResult> result = wire::ParseResult(
        {bytes.data(), static_cast<std::size_t>(size)}, wire::HelperMessage::kResult);
    // A helper that has gone, or speaks out of turn, ends every command it holds.
    if (!result || unanswered_.empty()) {
      Silence();
      for (const std::uint64_t token : unanswered_) completions.push_back({token, ENETDOWN, 0});
      unanswered_.clear();
      return;
    }
    completions.push_back({unanswered_.front(), result->error, result->sentNs});
    unanswered_.pop_front();
  }
}

void HelperLink::Silence() {
  gone_ = true;
  // The channels' numbers stay what the caller watches, but lead nowhere
  // now, so a hung-up channel does not keep the caller's loop awake.
  int quiet[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, quiet) != 0) return;
  ::dup3(quiet[0], process_.control, O_CLOEXEC);
  ::dup3(quiet[0], process_.data, O_CLOEXEC);
  ::close(quiet[0]);
  quietPeer_ = quiet[1];
}

void HelperLink::TakeRelays(std::vector<Arrival>& arrivals) {
  std::array<std::uint8_t, wire::kHelperMaxRelay> bytes;
  for (int i = 0; i < kPerWake; ++i) {
    const ssize_t size = ::recv(process_.data, bytes.data(), bytes.size(), MSG_DONTWAIT);
    if (size <= 0) return;
    const std::optional<wire::Relay> relay =
        wire::ParseRelay({bytes.data(), static_cast<std::size_t>(size)});
    if (!relay) continue;
    Arrival arrival;
    arrival.family = relay->source.family;
    arrival.from = relay->source;
    arrival.ttl = relay->ttl;
    arrival.stampNs = relay->receivedNs;
    arrival.message.assign(relay->message.begin(), relay->message.end());
    arrival.size = relay->message.size();
    arrivals.push_back(std::move(arrival));
  }
}

void HelperLink::Receive(int fd, std::vector<Arrival>& arrivals,
                         std::vector<Completion>& completions) {
  // A command's result always comes before the answers to its request, but
  // on the other channel: take the results first, so the send time is known.
  TakeResults(completions);
  if (fd == process_.data) TakeRelays(arrivals);
}

}  // namespace quorvel::probe
