// What the stack facade adds on the way to the socket: a call through a
// bound slot, address text parsing, resolution of literal hosts, and one
// datagram round trip on loopback through the facade.
#include <benchmark/benchmark.h>

#include "net/IdComponent.h"
#include "net/IdStack.h"
#include "net/IdWinSock2.h"

namespace {

class TStackFixture {
 public:
  TStackFixture() : FClient(new TIdComponent(&FOwner)) {}
  TIdStack& Stack() { return *SharedStack; }

 private:
  TComponent FOwner{nullptr};
  TIdComponent* FClient;
};

void BM_CallThroughBoundSlot(benchmark::State& State) {
  TStackFixture Fixture;
  std::uint16_t Value = 1;
  for (auto _ : State) benchmark::DoNotOptimize(Value = IdWinSock2::htons(Value));
}
BENCHMARK(BM_CallThroughBoundSlot);

void BM_ParseAddressText(benchmark::State& State) {
  for (auto _ : State) benchmark::DoNotOptimize(ParseAddressText("192.168.100.200"));
}
BENCHMARK(BM_ParseAddressText);

void BM_ResolveLiteralHost(benchmark::State& State) {
  TStackFixture Fixture;
  const std::string Host = "127.0.0.1";
  for (auto _ : State) benchmark::DoNotOptimize(Fixture.Stack().ResolveHostText(Host));
}
BENCHMARK(BM_ResolveLiteralHost);

void BM_LoopbackDatagramRoundTrip(benchmark::State& State) {
  TStackFixture Fixture;
  TIdStack& Stack = Fixture.Stack();
  const TIdStackSocketHandle Sender = Stack.NewSocketHandle(Id_SOCK_DGRAM, Id_IPPROTO_UDP);
  const TIdStackSocketHandle Receiver = Stack.NewSocketHandle(Id_SOCK_DGRAM, Id_IPPROTO_UDP);
  Stack.CheckSocketResult(Stack.SockBind(Receiver, Id_PF_INET, "127.0.0.1", 0));
  int Family = 0, Port = 0;
  std::string Address;
  Stack.SockOwnAddress(Receiver, Family, Address, Port);
  char Payload[52] = {}, Buffer[128];
  TIdSocketHandleList Read;
  for (auto _ : State) {
    Stack.CheckSocketResult(Stack.SockSendTo(Sender, Payload, sizeof Payload, 0,
                                             Stack.ResolveHostText("127.0.0.1"), Port));
    Read = {Receiver};
    if (Stack.SockSelect(&Read, nullptr, nullptr, 1000) != 1) {
      State.SkipWithError("datagram did not arrive");
      break;
    }
    Stack.CheckSocketResult(Stack.SockRecv(Receiver, Buffer, sizeof Buffer, 0));
  }
  Stack.SockClose(Sender);
  Stack.SockClose(Receiver);
}
BENCHMARK(BM_LoopbackDatagramRoundTrip);

}  // namespace

BENCHMARK_MAIN();
