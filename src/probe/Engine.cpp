#include "probe/Engine.h"

#include <algorithm>
#include <cerrno>
#include <deque>
#include <map>
#include <queue>
#include <unordered_map>

#include "probe/HelperLink.h"
#include "probe/IcmpSocket.h"
#include "wire/EchoMatch.h"
#include "wire/Icmp.h"
#include "wire/IpHeader.h"

namespace quorvel::probe {
namespace {

// An answer is compared with the request over its header and the serial.
constexpr std::size_t kMatched = wire::kIcmpHeader + kMinPayload;
// The most an ICMP message of ours may carry, as the IPv4 length field allows.
constexpr std::size_t kMaxPayload = 65535 - wire::kIpv4MinHeader - wire::kIcmpHeader;
constexpr std::size_t kSequences = 65536;

std::size_t FamilyIndex(wire::Family family) { return family == wire::Family::kIpv4 ? 0 : 1; }

std::optional<OutcomeKind> OutcomeOf(wire::MessageKind kind) {
  switch (kind) {
    case wire::MessageKind::kEchoReply:
      return OutcomeKind::kReply;
    case wire::MessageKind::kUnreachable:
      return OutcomeKind::kUnreachable;
    case wire::MessageKind::kTimeExceeded:
      return OutcomeKind::kTimeExceeded;
    case wire::MessageKind::kPacketTooBig:
      return OutcomeKind::kPacketTooBig;
    case wire::MessageKind::kParameterProblem:
      return OutcomeKind::kParameterProblem;
    default:
      // Our own requests as a raw socket sees them, redirects and source
      // quenches (after which the request went on) and the rest end nothing.
      return std::nullopt;
  }
}

// The payload: the probe's serial, then a pattern that shows a cut answer.
std::vector<std::uint8_t> Payload(ProbeId id, std::size_t size) {
  std::vector<std::uint8_t> payload(size);
  for (std::size_t i = 0; i < kMinPayload; ++i)
    payload[i] = static_cast<std::uint8_t>(id >> (8 * (kMinPayload - 1 - i)));
  for (std::size_t i = kMinPayload; i < size; ++i) payload[i] = static_cast<std::uint8_t>(i);
  return payload;
}

}  // namespace

const char* OutcomeName(OutcomeKind kind) {
  switch (kind) {
    case OutcomeKind::kReply:
      return "reply";
    case OutcomeKind::kTimeout:
      return "timeout";
    case OutcomeKind::kUnreachable:
      return "unreachable";
    case OutcomeKind::kTimeExceeded:
      return "time exceeded";
    case OutcomeKind::kPacketTooBig:
      return "packet too big";
    case OutcomeKind::kParameterProblem:
      return "parameter problem";
    case OutcomeKind::kSendError:
      return "send error";
  }
  return "?";
}

const char* SocketKindName(SocketKind kind) {
  switch (kind) {
    case SocketKind::kNone:
      return "none";
    case SocketKind::kDatagram:
      return "datagram";
    case SocketKind::kHelper:
      return "helper";
    case SocketKind::kRaw:
      return "raw";
  }
  return "?";
}

class Engine::Impl {
 public:
  Impl(OutcomeHandler onOutcome, const EngineOptions& options);

  ProbeId Send(const ProbeRequest& request, TimePoint now);
  bool Cancel(ProbeId id);
  std::size_t InFlight() const { return probes_.size(); }
  SocketKind Kind(wire::Family family) const { return families_[FamilyIndex(family)].kind; }
  std::vector<int> Descriptors() const;
  std::optional<TimePoint> NextDeadline() const;
  void HandleReadable(int fd, TimePoint now);
  void HandleTime(TimePoint now);

 private:
  struct Probe {
    ProbeRequest request;
    std::uint16_t sequence = 0;
    std::array<std::uint8_t, kMatched> sent{};  // the request's first bytes as sent
    TimePoint sentAt{};
    std::int64_t sentNs = 0;  // 0 until the send is known to have happened
    TimePoint deadline{};
  };
  struct Family {
    SocketKind kind = SocketKind::kNone;
    int openError = EACCES;
    std::unique_ptr<IcmpSocket> own;
    Transport* transport = nullptr;
    std::uint16_t nextSequence = 0;
    std::unordered_map<std::uint16_t, ProbeId> bySequence;
  };

  void Choose(wire::Family family, const EngineOptions& options);
  void Complete(const Completion& completion, TimePoint now);
  void Match(const Arrival& arrival, TimePoint now);
  Outcome Begin(ProbeId id, const Probe& probe, OutcomeKind kind) const;
  void Finish(ProbeId id, const Outcome& outcome);
  void FailSend(ProbeId id, const ProbeRequest& request, int error, TimePoint now);

  OutcomeHandler onOutcome_;
  std::unique_ptr<HelperLink> helper_;
  std::array<Family, 2> families_;
  std::map<int, Transport*> byDescriptor_;
  std::unordered_map<ProbeId, Probe> probes_;
  using Deadline = std::pair<TimePoint, ProbeId>;
  // Probes that ended before their time-out leave their entry behind; the
  // front is cleared of them whenever the next deadline is asked for.
  mutable std::priority_queue<Deadline, std::vector<Deadline>, std::greater<>> deadlines_;
  std::deque<std::pair<TimePoint, Outcome>> failedSends_;
  ProbeId nextId_ = 1;
};

Engine::Impl::Impl(OutcomeHandler onOutcome, const EngineOptions& options)
    : onOutcome_(std::move(onOutcome)) {
  Choose(wire::Family::kIpv4, options);
  Choose(wire::Family::kIpv6, options);
  for (const Family& family : families_)
    if (family.transport != nullptr)
      for (const int fd : family.transport->Descriptors()) byDescriptor_[fd] = family.transport;
}

void Engine::Impl::Choose(wire::Family which, const EngineOptions& options) {
  Family& family = families_[FamilyIndex(which)];
  int error = EACCES;
  if (!options.skipDatagram && (family.own = IcmpSocket::Open(which, false, &error))) {
    family.kind = SocketKind::kDatagram;
  } else if (!options.skipHelper && !options.helperPath.empty() &&
             (helper_ || (helper_ = HelperLink::Launch(options.helperPath, &error))) &&
             (error = helper_->FamilyError(which)) == 0) {
    family.kind = SocketKind::kHelper;
    family.transport = helper_.get();
    return;
  } else if (options.allowRaw && (family.own = IcmpSocket::Open(which, true, &error))) {
    family.kind = SocketKind::kRaw;
  } else {
    family.openError = error;
    return;
  }
  family.transport = family.own.get();
}

ProbeId Engine::Impl::Send(const ProbeRequest& request, TimePoint now) {
  const ProbeId id = nextId_++;
  Family& family = families_[FamilyIndex(request.target.family)];
  if (family.transport == nullptr) {
    FailSend(id, request, family.openError, now);
    return id;
  }
  const std::size_t size = std::max(request.payloadSize, kMinPayload);
  if (request.ttl < 0 || request.ttl > 255 || size > kMaxPayload) {
    FailSend(id, request, request.ttl < 0 || request.ttl > 255 ? EINVAL : EMSGSIZE, now);
    return id;
  }
  if (family.bySequence.size() >= kSequences) {
    FailSend(id, request, ENOBUFS, now);  // every sequence number is in flight
    return id;
  }
  while (family.bySequence.contains(family.nextSequence)) ++family.nextSequence;
  Probe probe;
  probe.request = request;
  probe.sequence = family.nextSequence++;
  const std::array<std::uint8_t, 2> sequence{static_cast<std::uint8_t>(probe.sequence >> 8),
                                             static_cast<std::uint8_t>(probe.sequence)};
  const std::array<std::uint8_t, 2> identifier =
      family.transport->Identifier(request.target.family);
  const std::vector<std::uint8_t> message =
      wire::BuildEchoRequest(request.target.family, identifier, sequence, Payload(id, size));
  std::copy_n(message.begin(), kMatched, probe.sent.begin());
  probe.deadline = now + request.timeout;
  probe.sentAt = Clock::now();
  const std::optional<Completion> completion =
      family.transport->Send(request.target, request.ttl, message, id);
  if (completion && completion->error != 0) {
    FailSend(id, request, completion->error, now);
    return id;
  }
  if (completion) probe.sentNs = completion->sentNs;
  family.bySequence.emplace(probe.sequence, id);
  deadlines_.emplace(probe.deadline, id);
  probes_.emplace(id, probe);
  return id;
}

void Engine::Impl::FailSend(ProbeId id, const ProbeRequest& request, int error, TimePoint now) {
  Outcome outcome;
  outcome.id = id;
  outcome.tag = request.tag;
  outcome.kind = OutcomeKind::kSendError;
  outcome.target = outcome.from = request.target;
  outcome.error = error;
  outcome.due = request.due;
  outcome.sentAt = now;
  failedSends_.emplace_back(now, outcome);
}

bool Engine::Impl::Cancel(ProbeId id) {
  const auto found = probes_.find(id);
  if (found == probes_.end()) {
    const auto failed = std::find_if(failedSends_.begin(), failedSends_.end(),
                                     [id](const auto& entry) { return entry.second.id == id; });
    if (failed == failedSends_.end()) return false;
    failedSends_.erase(failed);
    return true;
  }
  families_[FamilyIndex(found->second.request.target.family)].bySequence.erase(
      found->second.sequence);
  probes_.erase(found);
  return true;
}

std::vector<int> Engine::Impl::Descriptors() const {
  std::vector<int> fds;
  for (const auto& [fd, transport] : byDescriptor_) fds.push_back(fd);
  return fds;
}

std::optional<TimePoint> Engine::Impl::NextDeadline() const {
  while (!deadlines_.empty() && !probes_.contains(deadlines_.top().second)) deadlines_.pop();
  std::optional<TimePoint> next;
  if (!failedSends_.empty()) next = failedSends_.front().first;
  if (!deadlines_.empty() && (!next || deadlines_.top().first < *next))
    next = deadlines_.top().first;
  return next;
}

Outcome Engine::Impl::Begin(ProbeId id, const Probe& probe, OutcomeKind kind) const {
  Outcome outcome;
  outcome.id = id;
  outcome.tag = probe.request.tag;
  outcome.kind = kind;
  outcome.target = outcome.from = probe.request.target;
  outcome.sequence = probe.sequence;
  outcome.due = probe.request.due;
  outcome.sentAt = probe.sentAt;
  return outcome;
}

void Engine::Impl::Finish(ProbeId id, const Outcome& outcome) {
  const auto found = probes_.find(id);
  families_[FamilyIndex(found->second.request.target.family)].bySequence.erase(
      found->second.sequence);
  probes_.erase(found);
  if (onOutcome_) onOutcome_(outcome);
}

void Engine::Impl::Complete(const Completion& completion, TimePoint now) {
  const auto found = probes_.find(completion.token);
  if (found == probes_.end()) return;
  if (completion.error == 0) {
    found->second.sentNs = completion.sentNs;
    return;
  }
  Outcome outcome = Begin(found->first, found->second, OutcomeKind::kSendError);
  outcome.error = completion.error;
  outcome.roundTrip = now - found->second.sentAt;
  Finish(found->first, outcome);
}

void Engine::Impl::Match(const Arrival& arrival, TimePoint now) {
  std::optional<wire::IcmpView> view;
  if (arrival.error) {
    // The error queue gives our request as the error quoted it, and the
    // error's own fields apart.
    view.emplace();
    view->family = arrival.family;
    view->type = arrival.error->type;
    view->code = arrival.error->code;
    view->word = arrival.error->info;
    view->kind = wire::KindOf(arrival.family, view->type, view->code);
    view->echo = arrival.message;
  } else {
    view = wire::ReadIcmp(arrival.family, arrival.message);
  }
  if (!view) return;
  const std::optional<OutcomeKind> kind = OutcomeOf(view->kind);
  wire::EchoKey key;
  if (!kind || !wire::ReadEchoKey(view->echo, &key)) return;
  Family& family = families_[FamilyIndex(arrival.family)];
  const auto bySequence = family.bySequence.find(key.Sequence());
  if (bySequence == family.bySequence.end()) return;
  const ProbeId id = bySequence->second;
  const Probe& probe = probes_.at(id);
  // Another program's echo, or a late answer to a probe whose sequence
  // number came round again, carries another identifier or serial.
  if (!wire::Answers(*view, probe.sent, {kMatched, false})) return;
  Outcome outcome = Begin(id, probe, *kind);
  outcome.from = arrival.from;
  outcome.ttl = arrival.ttl;
  outcome.icmpType = view->type;
  outcome.icmpCode = view->code;
  outcome.mtu = wire::ReportedMtu(*view);
  // A queued error's size is that of the ICMP error that quoted our request.
  outcome.bytes =
      arrival.size + (arrival.error ? wire::kIcmpHeader + (arrival.family == wire::Family::kIpv4
                                                               ? wire::kIpv4MinHeader
                                                               : wire::kIpv6Header)
                                    : 0);
  const std::chrono::nanoseconds waited = now - probe.sentAt;
  const std::chrono::nanoseconds stamped(arrival.stampNs.value_or(0) - probe.sentNs);
  // The kernel's stamp is of the wall clock: one that was stepped meanwhile
  // gives a span the monotonic clock contradicts.
  const bool stampHolds = arrival.stampNs && probe.sentNs != 0 && stamped.count() >= 0 &&
                          stamped <= waited + std::chrono::milliseconds(1);
  outcome.roundTrip = stampHolds ? stamped : waited;
  Finish(id, outcome);
}

void Engine::Impl::HandleReadable(int fd, TimePoint now) {
  const auto found = byDescriptor_.find(fd);
  if (found == byDescriptor_.end()) return;
  std::vector<Arrival> arrivals;
  std::vector<Completion> completions;
  found->second->Receive(fd, arrivals, completions);
  for (const Completion& completion : completions) Complete(completion, now);
  for (const Arrival& arrival : arrivals) Match(arrival, now);
}

void Engine::Impl::HandleTime(TimePoint now) {
  while (!failedSends_.empty() && failedSends_.front().first <= now) {
    const Outcome outcome = failedSends_.front().second;
    failedSends_.pop_front();
    if (onOutcome_) onOutcome_(outcome);
  }
  while (!deadlines_.empty() && deadlines_.top().first <= now) {
    const ProbeId id = deadlines_.top().second;
    deadlines_.pop();
    const auto found = probes_.find(id);
    if (found == probes_.end()) continue;  // it ended before its time-out
    Outcome outcome = Begin(id, found->second, OutcomeKind::kTimeout);
    outcome.roundTrip = now - found->second.sentAt;
    Finish(id, outcome);
  }
}

Engine::Engine(OutcomeHandler onOutcome, const EngineOptions& options)
    : impl_(std::make_unique<Impl>(std::move(onOutcome), options)) {}
Engine::~Engine() = default;
ProbeId Engine::Send(const ProbeRequest& request, TimePoint now) {
  return impl_->Send(request, now);
}
bool Engine::Cancel(ProbeId id) { return impl_->Cancel(id); }
std::size_t Engine::InFlight() const { return impl_->InFlight(); }
SocketKind Engine::Kind(wire::Family family) const { return impl_->Kind(family); }
std::vector<int> Engine::Descriptors() const { return impl_->Descriptors(); }
std::optional<TimePoint> Engine::NextDeadline() const { return impl_->NextDeadline(); }
void Engine::HandleReadable(int fd, TimePoint now) { impl_->HandleReadable(fd, now); }
void Engine::HandleTime(TimePoint now) { impl_->HandleTime(now); }

}  // namespace quorvel::probe
