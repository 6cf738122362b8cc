// One ping on loopback through the echo client, over a raw socket, through
// the echo helper and over the ICMP datagram socket an ordinary user gets, beside the plain POSIX
// round trips it is built from: a raw socket kept open (sendto, select,
// recv) and one opened and closed per round trip, as each ping does. Then the
// same ping, and a ping that times out, quiet and under a flood of 10 000
// foreign datagrams per second.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>
#include <thread>

#include "net/IdIcmpClient.h"
#include "platform/kernel/Process.h"
#include "support/RawSockets.h"

namespace {

sockaddr_in Loopback() {
  sockaddr_in To{};
  To.sin_family = AF_INET;
  To.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return To;
}

// Sends one echo request and receives the first datagram back: on loopback
// that is the request itself, which is what the echo client accepts. The
// kernel's reply that follows is drained, so every round trip starts alike.
void RoundTrip(int AFd, const TIdEchoRequest& ARequest, benchmark::State& AState) {
  static const sockaddr_in To = Loopback();
  std::array<std::uint8_t, ReceiveBufferSize> Buffer;
  sendto(AFd, ARequest.data(), ARequest.size(), 0, reinterpret_cast<const sockaddr*>(&To),
         sizeof To);
  fd_set Read;
  FD_ZERO(&Read);
  FD_SET(AFd, &Read);
  timeval Wait{1, 0};
  if (select(AFd + 1, &Read, nullptr, nullptr, &Wait) != 1 ||
      recv(AFd, Buffer.data(), Buffer.size(), 0) != 72) {
    AState.SkipWithError("no datagram came back");
    return;
  }
  benchmark::DoNotOptimize(Buffer);
}

int OpenRaw() {
  const int Fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  const int Ttl = 128;
  setsockopt(Fd, IPPROTO_IP, IP_TTL, &Ttl, sizeof Ttl);
  return Fd;
}

void BM_RawRoundTripSocketKeptOpen(benchmark::State& State) {
  const int Fd = OpenRaw();
  if (Fd < 0) return State.SkipWithError("raw sockets need privilege");
  TIdEchoRequest Request;
  BuildEchoRequest(Request, 1, "");
  std::array<std::uint8_t, ReceiveBufferSize> Drain;
  for (auto _ : State) {
    RoundTrip(Fd, Request, State);
    while (recv(Fd, Drain.data(), Drain.size(), MSG_DONTWAIT) > 0) {
    }
  }
  close(Fd);
}
BENCHMARK(BM_RawRoundTripSocketKeptOpen);

void BM_RawRoundTripOpenClosePerPing(benchmark::State& State) {
  TIdEchoRequest Request;
  BuildEchoRequest(Request, 1, "");
  for (auto _ : State) {
    const int Fd = OpenRaw();
    if (Fd < 0) return State.SkipWithError("raw sockets need privilege");
    RoundTrip(Fd, Request, State);
    shutdown(Fd, SHUT_WR);
    close(Fd);
  }
}
BENCHMARK(BM_RawRoundTripOpenClosePerPing);

void PingLoopback(benchmark::State& State) {
  TIdIcmpClient Client(nullptr);
  Client.SetHost("127.0.0.1");
  Client.SetReceiveTimeout(1000);
  bool Echoed = true;
  Client.OnReply = [&Echoed](TComponent*, const TReplyStatus& AReply) {
    Echoed = Echoed && AReply.Status == rsEcho;
  };
  for (auto _ : State) Client.PingHost();
  if (!Echoed) State.SkipWithError("a ping did not come back");
}

void BM_PingHostLoopback(benchmark::State& State) {
  if (!RawSocketsAllowed()) return State.SkipWithError("raw sockets need privilege");
  PingLoopback(State);
}
BENCHMARK(BM_PingHostLoopback);

// The same ping where the group range is closed: the right to raw sockets is
// withheld from this thread, but the echo helper that root starts has it (as
// a file capability gives it to an ordinary user's). Each ping opens and
// closes its socket; the helper behind it stays for the next.
void BM_PingHostLoopbackEchoHelper(benchmark::State& State) {
  const RawSocketsWithheld Withheld;
  if (!SetPingGroupRange(false) || RawSocketsAllowed() || !quorvel::test::EchoHelperAllowed())
    return State.SkipWithError(
        "cannot withhold raw sockets, close the group range or start the helper");
  PingLoopback(State);
}
BENCHMARK(BM_PingHostLoopbackEchoHelper);

// The same ping as an ordinary user makes it: the right to raw sockets is
// withheld and the socket library falls back on an ICMP datagram socket.
void BM_PingHostLoopbackDatagramSocket(benchmark::State& State) {
  const RawSocketsWithheld Withheld;
  if (!SetPingGroupRange(true) || RawSocketsAllowed())
    return State.SkipWithError("cannot withhold raw sockets or open the ping group range");
  PingLoopback(State);
}
BENCHMARK(BM_PingHostLoopbackDatagramSocket);

// The identifier of this process's requests as they store it.
std::uint16_t OwnIdentifier() { return static_cast<std::uint16_t>(GetCurrentProcessId()); }

// Sends echo replies that answer no ping of ours to loopback, 10 per
// millisecond, from a raw socket of its own on a thread of its own, until it
// is destroyed. Made before raw sockets are withheld, which its thread would
// inherit.
class TFlood {
 public:
  explicit TFlood(std::uint16_t AIdentifier)
      : FThread([this, AIdentifier](std::stop_token AStop) { Run(AStop, AIdentifier); }) {}
  bool Flooding() const { return FSent > 0; }
  double Sent() const { return static_cast<double>(FSent); }

 private:
  void Run(std::stop_token AStop, std::uint16_t AIdentifier) {
    const int Fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (Fd < 0) return;
    // Sequence numbers far from the few thousand the pings use.
    TIdEchoRequest Reply;
    BuildEchoRequest(Reply, 0xC000, "");
    Reply[0] = 0;
    Reply[4] = static_cast<std::uint8_t>(AIdentifier);
    Reply[5] = static_cast<std::uint8_t>(AIdentifier >> 8);
    Reply[2] = Reply[3] = 0;
    const std::uint16_t Checksum = InternetChecksum(Reply);
    std::memcpy(&Reply[2], &Checksum, sizeof Checksum);
    static const sockaddr_in To = Loopback();
    auto Next = std::chrono::steady_clock::now();
    while (!AStop.stop_requested()) {
      for (int I = 0; I < 10; ++I)
        if (sendto(Fd, Reply.data(), Reply.size(), 0, reinterpret_cast<const sockaddr*>(&To),
                   sizeof To) > 0)
          ++FSent;
      Next += std::chrono::milliseconds(1);
      std::this_thread::sleep_until(Next);
    }
    close(Fd);
  }

  std::atomic<long> FSent{0};
  std::jthread FThread;
};

// The quiet ping beside it is BM_PingHostLoopback. The flood's replies carry
// another identifier: the raw socket reads every one of them and skips it.
void BM_PingHostLoopbackUnderFlood(benchmark::State& State) {
  if (!RawSocketsAllowed()) return State.SkipWithError("raw sockets need privilege");
  TFlood Flood(static_cast<std::uint16_t>(~OwnIdentifier()));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (!Flood.Flooding()) return State.SkipWithError("the flood could not start");
  PingLoopback(State);
  State.counters["flood_per_s"] = benchmark::Counter(Flood.Sent(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PingHostLoopbackUnderFlood)->UseRealTime();

// Answers no echo request of this namespace while it lives.
class TEchoIgnored {
 public:
  TEchoIgnored() { Set("1"); }
  ~TEchoIgnored() { Set("0"); }
  TEchoIgnored(const TEchoIgnored&) = delete;
  TEchoIgnored& operator=(const TEchoIgnored&) = delete;

 private:
  static void Set(const char* AValue) {
    std::ofstream("/proc/sys/net/ipv4/icmp_echo_ignore_all") << AValue;
  }
};

// A ping of 127.0.0.1 with a time-out of 100 ms that nothing answers,
// through the datagram socket, quiet (0) and under the flood (1), whose
// replies carry our identifier and so all reach that socket. Reports by how
// much the wait outlasts its time-out, by the engine's clock and the wall's.
void BM_PingHostTimeOut(benchmark::State& State) {
  constexpr std::int32_t TimeOut = 100;
  std::optional<TFlood> Flood;
  if (State.range(0) != 0) Flood.emplace(OwnIdentifier());
  const RawSocketsWithheld Withheld;
  const TEchoIgnored Ignored;
  if (!SetPingGroupRange(true) || RawSocketsAllowed())
    return State.SkipWithError("cannot withhold raw sockets or open the ping group range");
  TIdIcmpClient Client(nullptr);
  Client.SetHost("127.0.0.1");
  Client.SetReceiveTimeout(TimeOut);
  bool TimedOut = true;
  std::uint32_t WorstEngineMs = 0;
  double WorstWallMs = 0;
  Client.OnReply = [&](TComponent*, const TReplyStatus& AReply) {
    TimedOut = TimedOut && AReply.Status == rsTimeOut;
    WorstEngineMs = std::max(WorstEngineMs, AReply.RoundTripMs);
  };
  for (auto _ : State) {
    const auto Start = std::chrono::steady_clock::now();
    Client.PingHost();
    const std::chrono::duration<double, std::milli> Wall = std::chrono::steady_clock::now() - Start;
    WorstWallMs = std::max(WorstWallMs, Wall.count());
  }
  if (!TimedOut) return State.SkipWithError("a ping did not time out");
  State.counters["worst_over_timeout_engine_ms"] = static_cast<double>(WorstEngineMs) - TimeOut;
  State.counters["worst_over_timeout_wall_ms"] = WorstWallMs - TimeOut;
  if (Flood)
    State.counters["flood_per_s"] = benchmark::Counter(Flood->Sent(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PingHostTimeOut)->Arg(0)->Arg(1)->Iterations(30)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
