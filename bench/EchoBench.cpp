// One ping on loopback through the echo client, over a raw socket and over
// the ICMP datagram socket an ordinary user gets, beside the plain POSIX
// round trips it is built from: a raw socket kept open (sendto, select,
// recv) and one opened and closed per round trip, as each ping does.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdint>

#include "net/IdIcmpClient.h"
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

// The same ping as an ordinary user makes it: the right to raw sockets is
// withheld and the socket library falls back on an ICMP datagram socket.
void BM_PingHostLoopbackDatagramSocket(benchmark::State& State) {
  const RawSocketsWithheld Withheld;
  if (!SetPingGroupRange(true) || RawSocketsAllowed())
    return State.SkipWithError("cannot withhold raw sockets or open the ping group range");
  PingLoopback(State);
}
BENCHMARK(BM_PingHostLoopbackDatagramSocket);

}  // namespace

BENCHMARK_MAIN();
