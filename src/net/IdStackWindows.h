// The stack facade over the Windows Sockets library: every operation calls
// its socket function through the loader's slots.
#pragma once

#include "net/IdStack.h"
#include "net/IdWinSock2.h"

class TIdStackWindows : public TIdStack {
 public:
  // Starts Windows Sockets 2.2 the first time a stack is made in the process;
  // raises EIdStackInitializationFailed when the start-up fails.
  TIdStackWindows();
  static std::unique_ptr<TIdStack> Create();

  void FillLocalAddresses() override;
  TIdStackSocketHandle SockAccept(TIdStackSocketHandle ASocket, std::string& APeerAddress,
                                  int& APeerPort) override;
  int SockBind(TIdStackSocketHandle ASocket, int AFamily, const std::string& AAddress,
               int APort) override;
  int SockClose(TIdStackSocketHandle ASocket) override;
  int SockConnect(TIdStackSocketHandle ASocket, int AFamily, const std::string& AAddress,
                  int APort) override;
  std::string SockHostByName(const std::string& AHostName) override;
  std::string SockHostName() override;
  std::string SockHostByAddress(const std::string& AAddress) override;
  int SockServiceByName(const std::string& AService) override;
  std::vector<std::string> SockServiceNames(int APort) override;
  std::uint16_t SockHtons(std::uint16_t AHostShort) override;
  int SockListen(TIdStackSocketHandle ASocket, int ABacklog) override;
  std::uint16_t SockNtohs(std::uint16_t ANetShort) override;
  std::uint32_t SockHtonl(std::uint32_t AHostLong) override;
  std::uint32_t SockNtohl(std::uint32_t ANetLong) override;
  int SockRecv(TIdStackSocketHandle ASocket, void* ABuffer, int ALength, int AFlags) override;
  int SockRecvFrom(TIdStackSocketHandle ASocket, void* ABuffer, int ALength, int AFlags,
                   std::string& AFromAddress, int& AFromPort) override;
  int SockSelect(TIdSocketHandleList* AReadList, TIdSocketHandleList* AWriteList,
                 TIdSocketHandleList* AErrorList, int ATimeOut) override;
  int SockSend(TIdStackSocketHandle ASocket, const void* ABuffer, int ALength, int AFlags) override;
  int SockSendTo(TIdStackSocketHandle ASocket, const void* ABuffer, int ALength, int AFlags,
                 const std::string& AAddress, int APort) override;
  int SockSetOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName, const void* AOptVal,
                    int AOptLen) override;
  TIdStackSocketHandle SockOpen(int AFamily, int AType, int AProtocol) override;
  int SockShutdown(TIdStackSocketHandle ASocket, int AHow) override;
  std::string SocketErrorText(int ACode) override;
  int SockLastError() override;
  void SockPeerAddress(TIdStackSocketHandle ASocket, int& AFamily, std::string& AAddress,
                       int& APort) override;
  void SockOwnAddress(TIdStackSocketHandle ASocket, int& AFamily, std::string& AAddress,
                      int& APort) override;
  int SockGetOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName, void* AOptVal,
                    int& AOptLen) override;
  std::string AddressToText(const TIdAddressBytes& AAddress) override;
  TIdAddressBytes TextToAddress(const std::string& AText) override;

 private:
  // A socket address for an address text ("" is address 0) and a port.
  TSockAddrIn MakeSockAddr(int AFamily, const std::string& AAddress, int APort);
  void ReadSockAddr(const TSockAddrIn& AAddr, std::string& AAddress, int& APort);
  // One end of a socket through getpeername or getsockname, checked.
  void ReadEndpoint(IdWinSock2::TgetsocknameProc AQuery, TIdStackSocketHandle ASocket, int& AFamily,
                    std::string& AAddress, int& APort);
};

// The sockets of one Windows Sockets descriptor set.
class TIdSocketListWindows : public TIdSocketList {
 public:
  static std::unique_ptr<TIdSocketList> Create();

  void Add(TIdStackSocketHandle AHandle) override;
  void Remove(TIdStackSocketHandle AHandle) override;
  int Count() const override { return static_cast<int>(FFDSet.fd_count); }
  TIdStackSocketHandle Items(int AIndex) const override;

 private:
  TFDSet FFDSet{};
};

// Whether Windows Sockets has been started in this process; never cleared.
bool WinsockStarted();
