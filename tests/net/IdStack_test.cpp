#include "net/IdStack.h"

#include <gtest/gtest.h>

#include <chrono>

#include "net/IdComponent.h"
#include "net/IdException.h"
#include "net/IdStackWindows.h"
#include "support/DnsResponder.h"

// ---- Address text: a pure parser, no stack needed.

struct TAddressCase {
  const char* Text;
  TIdAddressForm Form;
  TIdAddressBytes Bytes;
  int AddressClass;
};

void PrintTo(const TAddressCase& C, std::ostream* Out) { *Out << '"' << C.Text << '"'; }

class AddressText : public testing::TestWithParam<TAddressCase> {};

TEST_P(AddressText, ParsesFormBytesAndClass) {
  const TAddressCase& C = GetParam();
  const TIdParsedAddress Parsed = ParseAddressText(C.Text);
  EXPECT_EQ(Parsed.Form, C.Form) << '"' << C.Text << '"';
  EXPECT_EQ(Parsed.AddressClass, C.AddressClass) << '"' << C.Text << '"';
  if (C.Form != TIdAddressForm::None) {
    EXPECT_EQ(Parsed.Bytes, C.Bytes) << '"' << C.Text << '"';
  }
}

constexpr auto Dotted = TIdAddressForm::Dotted;
constexpr auto Single = TIdAddressForm::SingleNumber;
constexpr auto None = TIdAddressForm::None;

INSTANTIATE_TEST_SUITE_P(Valid, AddressText,
                         testing::Values(TAddressCase{"10.1.2.3", Dotted, {10, 1, 2, 3}, 1},
                                         TAddressCase{"3232235777", Single, {192, 168, 1, 1}, 0},
                                         TAddressCase{"10.65535", Dotted, {10, 0, 255, 255}, 1},
                                         TAddressCase{"172.16.258", Dotted, {172, 16, 1, 2}, 2},
                                         TAddressCase{"128.0.0.1", Dotted, {128, 0, 0, 1}, 2},
                                         TAddressCase{"192.0.0.1", Dotted, {192, 0, 0, 1}, 3},
                                         TAddressCase{"224.0.0.1", Dotted, {224, 0, 0, 1}, 4},
                                         TAddressCase{"240.1.1.1", Dotted, {240, 1, 1, 1}, 5},
                                         TAddressCase{"0x7f.0.0.1", Dotted, {127, 0, 0, 1}, 1},
                                         TAddressCase{"$7F.0.0.1", Dotted, {127, 0, 0, 1}, 1}));

INSTANTIATE_TEST_SUITE_P(
    Edge, AddressText,
    testing::Values(TAddressCase{"1..2.3", Single, {0, 0, 0, 1}, 0},
                    TAddressCase{"1.2.3.", Dotted, {1, 2, 0, 3}, 2},
                    TAddressCase{"0", Single, {0, 0, 0, 0}, 0},
                    TAddressCase{"4294967295", Single, {255, 255, 255, 255}, 0},
                    TAddressCase{"255.16777215", Dotted, {255, 255, 255, 255}, 1},
                    TAddressCase{" 10.0.0.1", Dotted, {10, 0, 0, 1}, 1}));

INSTANTIATE_TEST_SUITE_P(
    Malformed, AddressText,
    testing::Values(TAddressCase{"1.2.3.256", None, {}, 0}, TAddressCase{"1.2.3.4.5", None, {}, 0},
                    TAddressCase{"10.0.0.1.", None, {}, 0}, TAddressCase{"a.b.c.d", None, {}, 0},
                    TAddressCase{"", None, {}, 0}, TAddressCase{"4294967296", None, {}, 0},
                    TAddressCase{"256.1", None, {}, 0}, TAddressCase{"1.16777216", None, {}, 0},
                    TAddressCase{"1.2.65536", None, {}, 0}, TAddressCase{"-1.0.0.0", None, {}, 0},
                    TAddressCase{"10.0.0.1 ", None, {}, 0},
                    TAddressCase{"localhost", None, {}, 0}));

// ---- The stack over the real socket library.

class StackOverLibrary : public testing::Test {
 protected:
  TComponent Owner{nullptr};
  TIdComponent* Client = new TIdComponent(&Owner);
  TIdStack& Stack = *SharedStack;
};

TEST_F(StackOverLibrary, AddressToTextJoinsDecimalBytes) {
  EXPECT_EQ(Stack.AddressToText({10, 0, 0, 1}), "10.0.0.1");
  EXPECT_EQ(Stack.AddressToText({0, 0, 0, 0}), "0.0.0.0");
  EXPECT_EQ(Stack.AddressToText({255, 255, 255, 255}), "255.255.255.255");
}

TEST_F(StackOverLibrary, TextToAddressKeepsNetworkOrder) {
  const std::uint32_t Value = Stack.TextToAddressValue("3232235777");
  const auto* Bytes = reinterpret_cast<const std::uint8_t*>(&Value);
  EXPECT_EQ((TIdAddressBytes{Bytes[0], Bytes[1], Bytes[2], Bytes[3]}),
            (TIdAddressBytes{192, 168, 1, 1}));
  try {
    Stack.TextToAddress("1.2.3.256");
    FAIL() << "no exception";
  } catch (const EIdInvalidIPAddress& E) {
    EXPECT_EQ(E.Message(), "1.2.3.256 is not a valid IP address.");
  }
}

TEST_F(StackOverLibrary, ResolvesLocalhostAndAddressesWithoutLookup) {
  for (const char* Host : {"localhost", "LocalHost", "LOCALHOST"})
    EXPECT_EQ(Stack.ResolveHostText(Host), "127.0.0.1") << Host;
  EXPECT_EQ(Stack.ResolveHostText("10.1.2.3"), "10.1.2.3");
  EXPECT_EQ(Stack.ResolveHostText("3232235777"), "3232235777");
  EXPECT_EQ(Stack.ResolveHostText("127.0.0.1"), "127.0.0.1");
}

TEST_F(StackOverLibrary, SocketErrorTextHasCodeLineAndText) {
  EXPECT_EQ(Stack.SocketErrorText(10060), "Socket Error # 10060\r\nConnection timed out.");
  EXPECT_EQ(Stack.SocketErrorText(10035), "Socket Error # 10035\r\nOperation would block. ");
  EXPECT_EQ(Stack.SocketErrorText(10066), "Socket Error # 10066\r\nDirectory not empty");
  EXPECT_EQ(Stack.SocketErrorText(11001), "Socket Error # 11001\r\nHost not found.");
  for (int Code : {10005, 10093, 11002, 11004, 0})
    EXPECT_EQ(Stack.SocketErrorText(Code), "Socket Error # " + std::to_string(Code) + "\r\n");
}

TEST_F(StackOverLibrary, CheckSocketResultRaisesOnlyForMinusOne) {
  EXPECT_FALSE(Stack.CheckSocketResult(0));
  EXPECT_FALSE(Stack.CheckSocketResult(5));
  // A handle this library never made fails with "not a socket".
  const int Result = Stack.SockClose(12345);
  try {
    Stack.CheckSocketResult(Result);
    FAIL() << "no exception";
  } catch (const EIdSocketError& E) {
    EXPECT_EQ(E.SocketErrorCode(), 10038);
    EXPECT_EQ(E.Message(), "Socket Error # 10038\r\nSocket operation on non-socket.");
  }
  EXPECT_EQ(Stack.LastSocketError(), 10038);
  EXPECT_TRUE(Stack.CheckSocketResult(Stack.SockClose(12345), {10038}));
}

TEST_F(StackOverLibrary, NewSocketHandleRaisesForAnInvalidSocket) {
  try {
    Stack.NewSocketHandle(99, 0);
    FAIL() << "no exception";
  } catch (const EIdInvalidSocket& E) {
    EXPECT_EQ(E.Message(), "Cannot allocate socket.");
  }
  const TIdStackSocketHandle Handle = Stack.NewSocketHandle(Id_SOCK_DGRAM, Id_IPPROTO_UDP);
  EXPECT_NE(Handle, Id_INVALID_SOCKET);
  EXPECT_EQ(Stack.SockClose(Handle), 0);
}

TEST_F(StackOverLibrary, SelectWaitsForTheGivenTimeAndKeepsReadySockets) {
  const TIdStackSocketHandle Idle = Stack.NewSocketHandle(Id_SOCK_DGRAM, Id_IPPROTO_UDP);
  const TIdStackSocketHandle Busy = Stack.NewSocketHandle(Id_SOCK_DGRAM, Id_IPPROTO_UDP);
  ASSERT_EQ(Stack.SockBind(Busy, Id_PF_INET, "127.0.0.1", 0), 0);
  int Family = 0, Port = 0;
  std::string Address;
  Stack.SockOwnAddress(Busy, Family, Address, Port);
  EXPECT_EQ(Family, Id_PF_INET);
  EXPECT_EQ(Address, "127.0.0.1");

  TIdSocketHandleList Read{Idle, Busy};
  const auto Start = std::chrono::steady_clock::now();
  EXPECT_EQ(Stack.SockSelect(&Read, nullptr, nullptr, 150), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - Start, std::chrono::milliseconds(140));
  EXPECT_TRUE(Read.empty());

  ASSERT_EQ(Stack.SockSendTo(Idle, "ping", 4, 0, "127.0.0.1", Port), 4);
  Read = {Idle, Busy};
  EXPECT_EQ(Stack.SockSelect(&Read, nullptr, nullptr, 1500), 1);
  EXPECT_EQ(Read, TIdSocketHandleList{Busy});
  char Buffer[16];
  std::string From;
  int FromPort = 0;
  EXPECT_EQ(Stack.SockRecvFrom(Busy, Buffer, sizeof Buffer, 0, From, FromPort), 4);
  EXPECT_EQ(From, "127.0.0.1");
  EXPECT_NE(FromPort, 0);

  TIdSocketHandleList Polled{Busy};
  EXPECT_EQ(Stack.SockSelect(&Polled, nullptr, nullptr, 0), 0);
  Stack.SockClose(Idle);
  Stack.SockClose(Busy);
}

TEST_F(StackOverLibrary, SelectRefusesMoreThan64Sockets) {
  TIdSocketHandleList TooMany(65, 1);
  try {
    Stack.SockSelect(&TooMany, nullptr, nullptr, 0);
    FAIL() << "no exception";
  } catch (const EIdStackSetSizeExceeded& E) {
    EXPECT_EQ(E.Message(), "Set Size Exceeded.");
  }
}

TEST_F(StackOverLibrary, SendToAnInvalidAddressRaisesBeforeSending) {
  const TIdStackSocketHandle Handle = Stack.NewSocketHandle(Id_SOCK_DGRAM, Id_IPPROTO_UDP);
  EXPECT_THROW(Stack.SockSendTo(Handle, "x", 1, 0, "no.such.address", 7), EIdInvalidIPAddress);
  Stack.SockClose(Handle);
}

TEST_F(StackOverLibrary, LocalHostNameAndAddresses) {
  EXPECT_FALSE(Stack.SockHostName().empty());
  const std::vector<std::string>& Addresses = Stack.LocalAddresses();
  ASSERT_FALSE(Addresses.empty());
  EXPECT_EQ(ParseAddressText(Addresses.front()).Form, TIdAddressForm::Dotted);
}

TEST_F(StackOverLibrary, ResolvesNamesThroughTheLookup) {
  const quorvel::test::DnsResponder Dns({{"pinghost.test", {"127.0.0.5", "127.0.0.6"}}});
  EXPECT_EQ(Stack.ResolveHostText("pinghost.test"), "127.0.0.5");
  for (const char* Unknown : {"no-such-host.invalid", " localhost"}) {
    try {
      Stack.ResolveHostText(Unknown);
      FAIL() << "no exception for '" << Unknown << "'";
    } catch (const EIdSocketError& E) {
      EXPECT_EQ(E.SocketErrorCode(), 11001);
      EXPECT_EQ(E.Message(), "Socket Error # 11001\r\nHost not found.");
    }
  }
}

TEST_F(StackOverLibrary, UnansweredLookupIsATemporaryFailure) {
  // Nothing answers on 127.0.0.1:53 here.
  try {
    Stack.ResolveHostText("pinghost.test");
    FAIL() << "no exception";
  } catch (const EIdSocketError& E) {
    EXPECT_EQ(E.SocketErrorCode(), 11002);
    EXPECT_EQ(E.Message(), "Socket Error # 11002\r\n");
  }
}

TEST(SocketList, HoldsAtMost64AndRemovesByMovingTheLast) {
  auto List = TIdSocketList::CreateSocketList();
  for (TIdStackSocketHandle H = 1; H <= 64; ++H) List->Add(H);
  EXPECT_THROW(List->Add(65), EIdStackSetSizeExceeded);
  List->Remove(2);
  EXPECT_EQ(List->Count(), 63);
  EXPECT_EQ(List->Items(1), 64u);
  EXPECT_THROW(List->Items(63), EIdStackSetSizeExceeded);
  EXPECT_THROW(List->Items(-1), EIdStackSetSizeExceeded);
}
