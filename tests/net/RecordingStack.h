// The real Windows Sockets stack with a record of the calls the raw socket
// layer makes through it, and a way to make sendto report a short count.
// Tests install it as the stack class before they create components.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/IdComponent.h"
#include "net/IdGlobal.h"
#include "net/IdStackWindows.h"
#include "support/RawSockets.h"

class RecordingStack : public TIdStackWindows {
 public:
  static std::unique_ptr<TIdStack> Create() { return std::make_unique<RecordingStack>(); }
  // The shared stack, which must have been made by this class.
  static RecordingStack& Shared() { return dynamic_cast<RecordingStack&>(*SharedStack); }

  std::vector<std::string> Calls;
  std::vector<int> SelectTimeOuts;
  std::optional<int> SendToResult;  // reported instead of the real count

  TIdStackSocketHandle SockOpen(int AFamily, int AType, int AProtocol) override {
    Calls.push_back("socket " + std::to_string(AType) + " " + std::to_string(AProtocol));
    return TIdStackWindows::SockOpen(AFamily, AType, AProtocol);
  }
  int SockSetOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName, const void* AOptVal,
                    int AOptLen) override {
    int Value = 0;
    if (AOptLen == sizeof Value) std::memcpy(&Value, AOptVal, sizeof Value);
    Calls.push_back("setsockopt " + std::to_string(ALevel) + " " + std::to_string(AOptName) + " " +
                    std::to_string(Value));
    return TIdStackWindows::SockSetOption(ASocket, ALevel, AOptName, AOptVal, AOptLen);
  }
  int SockSendTo(TIdStackSocketHandle ASocket, const void* ABuffer, int ALength, int AFlags,
                 const std::string& AAddress, int APort) override {
    Calls.push_back("sendto " + AAddress + " " + std::to_string(ALength));
    const int Sent =
        TIdStackWindows::SockSendTo(ASocket, ABuffer, ALength, AFlags, AAddress, APort);
    return SendToResult.value_or(Sent);
  }
  int SockSelect(TIdSocketHandleList* AReadList, TIdSocketHandleList* AWriteList,
                 TIdSocketHandleList* AErrorList, int ATimeOut) override {
    SelectTimeOuts.push_back(ATimeOut);
    return TIdStackWindows::SockSelect(AReadList, AWriteList, AErrorList, ATimeOut);
  }
  int SockShutdown(TIdStackSocketHandle ASocket, int AHow) override {
    Calls.push_back("shutdown " + std::to_string(AHow));
    return TIdStackWindows::SockShutdown(ASocket, AHow);
  }
  int SockClose(TIdStackSocketHandle ASocket) override {
    Calls.push_back("closesocket");
    return TIdStackWindows::SockClose(ASocket);
  }
};

// Makes the shared stack a RecordingStack for the test's lifetime; skips
// the test when the process may not ping.
class RecordingStackTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!PingsAllowed()) GTEST_SKIP() << kPingsRefused;
    StackClass = &RecordingStack::Create;
  }
  void TearDown() override { StackClass = &TIdStackWindows::Create; }
  static RecordingStack& Stack() { return RecordingStack::Shared(); }
};
