// The network stack facade: socket operations in the engine's own terms
// (addresses as dotted text, ports in host order, time-outs in milliseconds,
// failures as exceptions), plus host resolution and address text parsing.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/IdStackConsts.h"

using TIdAddressBytes = std::array<std::uint8_t, 4>;  // network order

enum class TIdAddressForm { None, Dotted, SingleNumber };

using TIdSocketHandleList = std::vector<TIdStackSocketHandle>;

// The result of parsing an address text; the bytes are valid when Form is not None.
struct TIdParsedAddress {
  TIdAddressBytes Bytes{};
  TIdAddressForm Form = TIdAddressForm::None;
  int AddressClass = 0;
};

// Reads an IPv4 address in one of its four forms: a single 32-bit number, or
// two, three or four parts separated by ".", each in decimal or hexadecimal.
TIdParsedAddress ParseAddressText(std::string_view AText);

class TIdStack {
 public:
  virtual ~TIdStack();

  TIdStack(const TIdStack&) = delete;
  TIdStack& operator=(const TIdStack&) = delete;

  // A new instance of the stack class in use.
  static std::unique_ptr<TIdStack> CreatePlatformStack();

  // False unless AResult is -1; then reads the last error, returns true when it
  // is tolerated and raises EIdSocketError otherwise.
  bool CheckSocketResult(int AResult, std::initializer_list<int> ATolerated = {});
  [[noreturn]] void ThrowSocketError(int ACode);
  int LastSocketError() const { return FLastSocketError; }

  // An internet socket of the given type, or EIdInvalidSocket.
  TIdStackSocketHandle NewSocketHandle(int ASocketType, int AProtocol);

  // The dotted address of a host text: "LOCALHOST" and address texts without
  // a lookup, anything else through the name lookup, which runs responsively
  // (TIdAntiFreezeBase::RunResponsively) so the window goes on meanwhile.
  std::string ResolveHostText(const std::string& AHost);

  bool IsAddressText(std::string_view AText) {
    return AddressTextKind(AText) != TIdAddressForm::None;
  }
  TIdAddressForm AddressTextKind(std::string_view AText) { return ParseAddressText(AText).Form; }
  // The address of a text in network order, or EIdInvalidIPAddress.
  std::uint32_t TextToAddressValue(const std::string& AText);

  // Local addresses of this host, filled on first use.
  const std::vector<std::string>& LocalAddresses();
  std::string LocalAddress();

  virtual void FillLocalAddresses() = 0;
  virtual TIdStackSocketHandle SockAccept(TIdStackSocketHandle ASocket, std::string& APeerAddress,
                                          int& APeerPort) = 0;
  virtual int SockBind(TIdStackSocketHandle ASocket, int AFamily, const std::string& AAddress,
                       int APort) = 0;
  virtual int SockClose(TIdStackSocketHandle ASocket) = 0;
  virtual int SockConnect(TIdStackSocketHandle ASocket, int AFamily, const std::string& AAddress,
                          int APort) = 0;
  virtual std::string SockHostByName(const std::string& AHostName) = 0;
  virtual std::string SockHostName() = 0;
  virtual std::string SockHostByAddress(const std::string& AAddress) = 0;
  virtual int SockServiceByName(const std::string& AService) = 0;
  virtual std::vector<std::string> SockServiceNames(int APort) = 0;
  virtual std::uint16_t SockHtons(std::uint16_t AHostShort) = 0;
  virtual int SockListen(TIdStackSocketHandle ASocket, int ABacklog) = 0;
  virtual std::uint16_t SockNtohs(std::uint16_t ANetShort) = 0;
  virtual std::uint32_t SockHtonl(std::uint32_t AHostLong) = 0;
  virtual std::uint32_t SockNtohl(std::uint32_t ANetLong) = 0;
  virtual int SockRecv(TIdStackSocketHandle ASocket, void* ABuffer, int ALength, int AFlags) = 0;
  virtual int SockRecvFrom(TIdStackSocketHandle ASocket, void* ABuffer, int ALength, int AFlags,
                           std::string& AFromAddress, int& AFromPort) = 0;
  // Waits until a listed socket is ready or ATimeOut ms pass (-2: no limit).
  // The given lists keep only their ready sockets; the result is unchecked.
  virtual int SockSelect(TIdSocketHandleList* AReadList, TIdSocketHandleList* AWriteList,
                         TIdSocketHandleList* AErrorList, int ATimeOut) = 0;
  virtual int SockSend(TIdStackSocketHandle ASocket, const void* ABuffer, int ALength,
                       int AFlags) = 0;
  virtual int SockSendTo(TIdStackSocketHandle ASocket, const void* ABuffer, int ALength, int AFlags,
                         const std::string& AAddress, int APort) = 0;
  virtual int SockSetOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                            const void* AOptVal, int AOptLen) = 0;
  virtual TIdStackSocketHandle SockOpen(int AFamily, int AType, int AProtocol) = 0;
  virtual int SockShutdown(TIdStackSocketHandle ASocket, int AHow) = 0;
  // "Socket Error # <code>", CR LF, and the code's text (empty when it has none).
  virtual std::string SocketErrorText(int ACode);
  virtual int SockLastError() = 0;
  virtual void SockPeerAddress(TIdStackSocketHandle ASocket, int& AFamily, std::string& AAddress,
                               int& APort) = 0;
  virtual void SockOwnAddress(TIdStackSocketHandle ASocket, int& AFamily, std::string& AAddress,
                              int& APort) = 0;
  virtual int SockGetOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName, void* AOptVal,
                            int& AOptLen) = 0;
  virtual std::string AddressToText(const TIdAddressBytes& AAddress) = 0;
  virtual TIdAddressBytes TextToAddress(const std::string& AText) = 0;

 protected:
  TIdStack() = default;
  // The list that FillLocalAddresses fills.
  std::vector<std::string>& LocalAddressList();

 private:
  int FLastSocketError = 0;
  std::unique_ptr<std::vector<std::string>> FLocalAddressList;
};

// The sockets of one descriptor set: at most 64, by index.
class TIdSocketList {
 public:
  virtual ~TIdSocketList() = default;
  static std::unique_ptr<TIdSocketList> CreateSocketList();

  virtual void Add(TIdStackSocketHandle AHandle) = 0;
  virtual void Remove(TIdStackSocketHandle AHandle) = 0;
  virtual int Count() const = 0;
  virtual TIdStackSocketHandle Items(int AIndex) const = 0;
};

using TIdSocketListClass = std::unique_ptr<TIdSocketList> (*)();

// The socket-list class that CreateSocketList builds; set by the platform stack.
extern TIdSocketListClass SocketListClass;
