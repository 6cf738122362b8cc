#include "net/IdStackWindows.h"

#include <cstdlib>
#include <cstring>

#include "net/IdException.h"
#include "net/IdResourceStrings.h"
#include "net/IdWinSock2.h"
#include "rtl/SysUtils.h"

namespace {

bool GWinsockStarted = false;

constexpr TWord WinsockVersion22 = 0x0202;
constexpr int SockAddrInLength = sizeof(TSockAddrIn);

// Copies a list of sockets into a descriptor set; more than 64 do not fit.
void FillFDSet(TFDSet& ASet, const TIdSocketHandleList* AList) {
  if (AList == nullptr) return;
  if (AList->size() > FD_SETSIZE_WS) throw EIdStackSetSizeExceeded(RSStackSetSizeExceeded);
  ASet.fd_count = static_cast<std::uint32_t>(AList->size());
  std::copy(AList->begin(), AList->end(), ASet.fd_array);
}

void ReadFDSet(const TFDSet& ASet, TIdSocketHandleList* AList) {
  if (AList == nullptr) return;
  AList->assign(ASet.fd_array,
                ASet.fd_array + std::min<std::uint32_t>(ASet.fd_count, FD_SETSIZE_WS));
}

TIdAddressBytes BytesOf(const TInAddr& AAddr) {
  TIdAddressBytes Bytes;
  std::memcpy(Bytes.data(), &AAddr.S_addr, Bytes.size());
  return Bytes;
}

// Registered after the loader's release, so it runs before it at process end.
void CleanupWinsock() { IdWinSock2::WSACleanup(); }

}  // namespace

TIdSocketListClass SocketListClass = &TIdSocketListWindows::Create;

bool WinsockStarted() { return GWinsockStarted; }

TIdStackWindows::TIdStackWindows() {
  if (GWinsockStarted) return;
  TWSAData Data{};
  if (IdWinSock2::StartWinsock(WinsockVersion22, &Data) != 0)
    throw EIdStackInitializationFailed(RSStackInitializationFailed);
  GWinsockStarted = true;
  std::atexit(&CleanupWinsock);
}

std::unique_ptr<TIdStack> TIdStackWindows::Create() { return std::make_unique<TIdStackWindows>(); }

TSockAddrIn TIdStackWindows::MakeSockAddr(int AFamily, const std::string& AAddress, int APort) {
  TSockAddrIn Addr{};
  Addr.sin_family = static_cast<std::uint16_t>(AFamily);
  Addr.sin_port = SockHtons(static_cast<std::uint16_t>(APort));
  Addr.sin_addr.S_addr = AAddress.empty() ? 0 : TextToAddressValue(AAddress);
  return Addr;
}

void TIdStackWindows::ReadSockAddr(const TSockAddrIn& AAddr, std::string& AAddress, int& APort) {
  AAddress = AddressToText(BytesOf(AAddr.sin_addr));
  APort = SockNtohs(AAddr.sin_port);
}

void TIdStackWindows::FillLocalAddresses() {
  std::vector<std::string>& List = LocalAddressList();
  List.clear();
  const THostEnt* Host = IdWinSock2::gethostbyname(SockHostName().c_str());
  if (Host == nullptr) {
    CheckSocketResult(Id_SOCKET_ERROR);
    return;
  }
  for (char** Entry = Host->h_addr_list; *Entry != nullptr; ++Entry) {
    TInAddr Addr;
    std::memcpy(&Addr, *Entry, sizeof Addr);
    List.push_back(AddressToText(BytesOf(Addr)));
  }
}

TIdStackSocketHandle TIdStackWindows::SockAccept(TIdStackSocketHandle ASocket,
                                                 std::string& APeerAddress, int& APeerPort) {
  TSockAddrIn Addr{};
  int Length = SockAddrInLength;
  const TIdStackSocketHandle Result =
      IdWinSock2::accept(ASocket, reinterpret_cast<TSockAddr*>(&Addr), &Length);
  if (Result != Id_INVALID_SOCKET) ReadSockAddr(Addr, APeerAddress, APeerPort);
  return Result;
}

int TIdStackWindows::SockBind(TIdStackSocketHandle ASocket, int AFamily,
                              const std::string& AAddress, int APort) {
  const TSockAddrIn Addr = MakeSockAddr(AFamily, AAddress, APort);
  return IdWinSock2::bind(ASocket, reinterpret_cast<const TSockAddr*>(&Addr), SockAddrInLength);
}

int TIdStackWindows::SockClose(TIdStackSocketHandle ASocket) {
  return IdWinSock2::closesocket(ASocket);
}

int TIdStackWindows::SockConnect(TIdStackSocketHandle ASocket, int AFamily,
                                 const std::string& AAddress, int APort) {
  const TSockAddrIn Addr = MakeSockAddr(AFamily, AAddress, APort);
  return IdWinSock2::connect(ASocket, reinterpret_cast<const TSockAddr*>(&Addr), SockAddrInLength);
}

std::string TIdStackWindows::SockHostByName(const std::string& AHostName) {
  const THostEnt* Host = IdWinSock2::gethostbyname(AHostName.c_str());
  if (Host == nullptr || Host->h_addr_list == nullptr || Host->h_addr_list[0] == nullptr) {
    CheckSocketResult(Id_SOCKET_ERROR);
  }
  TInAddr Addr;
  std::memcpy(&Addr, Host->h_addr_list[0], sizeof Addr);
  return AddressToText(BytesOf(Addr));
}

std::string TIdStackWindows::SockHostName() {
  char Name[250] = {};
  CheckSocketResult(IdWinSock2::gethostname(Name, sizeof Name));
  return std::string(Name, strnlen(Name, sizeof Name));
}

std::string TIdStackWindows::SockHostByAddress(const std::string& AAddress) {
  const std::uint32_t Addr = IdWinSock2::inet_addr(AAddress.c_str());
  const THostEnt* Host =
      IdWinSock2::gethostbyaddr(reinterpret_cast<const char*>(&Addr), 4, Id_PF_INET);
  if (Host == nullptr) CheckSocketResult(Id_SOCKET_ERROR);
  return Host->h_name;
}

int TIdStackWindows::SockServiceByName(const std::string& AService) {
  if (const TServEnt* Service = IdWinSock2::getservbyname(AService.c_str(), nullptr))
    return SockNtohs(static_cast<std::uint16_t>(Service->s_port));
  const std::optional<std::int64_t> Port = TryStrToInt64(AService);
  if (!Port || *Port < 0 || *Port > 0xFFFF)
    throw EIdInvalidServiceName(Format(RSInvalidServiceName, {std::string_view(AService)}));
  return static_cast<int>(*Port);
}

std::vector<std::string> TIdStackWindows::SockServiceNames(int APort) {
  const TServEnt* Service =
      IdWinSock2::getservbyport(SockHtons(static_cast<std::uint16_t>(APort)), nullptr);
  if (Service == nullptr) CheckSocketResult(Id_SOCKET_ERROR);
  std::vector<std::string> Names{Service->s_name};
  for (char** Alias = Service->s_aliases; Alias != nullptr && *Alias != nullptr; ++Alias)
    Names.emplace_back(*Alias);
  return Names;
}

std::uint16_t TIdStackWindows::SockHtons(std::uint16_t AHostShort) {
  return IdWinSock2::htons(AHostShort);
}

int TIdStackWindows::SockListen(TIdStackSocketHandle ASocket, int ABacklog) {
  return IdWinSock2::listen(ASocket, ABacklog);
}

std::uint16_t TIdStackWindows::SockNtohs(std::uint16_t ANetShort) {
  return IdWinSock2::ntohs(ANetShort);
}

std::uint32_t TIdStackWindows::SockHtonl(std::uint32_t AHostLong) {
  return IdWinSock2::htonl(AHostLong);
}

std::uint32_t TIdStackWindows::SockNtohl(std::uint32_t ANetLong) {
  return IdWinSock2::ntohl(ANetLong);
}

int TIdStackWindows::SockRecv(TIdStackSocketHandle ASocket, void* ABuffer, int ALength,
                              int AFlags) {
  return IdWinSock2::recv(ASocket, static_cast<char*>(ABuffer), ALength, AFlags);
}

int TIdStackWindows::SockRecvFrom(TIdStackSocketHandle ASocket, void* ABuffer, int ALength,
                                  int AFlags, std::string& AFromAddress, int& AFromPort) {
  TSockAddrIn Addr{};
  int Length = SockAddrInLength;
  const int Result = IdWinSock2::recvfrom(ASocket, static_cast<char*>(ABuffer), ALength, AFlags,
                                          reinterpret_cast<TSockAddr*>(&Addr), &Length);
  if (Result != Id_SOCKET_ERROR) ReadSockAddr(Addr, AFromAddress, AFromPort);
  return Result;
}

int TIdStackWindows::SockSelect(TIdSocketHandleList* AReadList, TIdSocketHandleList* AWriteList,
                                TIdSocketHandleList* AErrorList, int ATimeOut) {
  TFDSet ReadSet{}, WriteSet{}, ErrorSet{};
  FillFDSet(ReadSet, AReadList);
  FillFDSet(WriteSet, AWriteList);
  FillFDSet(ErrorSet, AErrorList);
  TTimeVal Time{ATimeOut / 1000, (ATimeOut % 1000) * 1000};
  const int Result =
      IdWinSock2::select(0, &ReadSet, &WriteSet, &ErrorSet, ATimeOut == -2 ? nullptr : &Time);
  ReadFDSet(ReadSet, AReadList);
  ReadFDSet(WriteSet, AWriteList);
  ReadFDSet(ErrorSet, AErrorList);
  return Result;
}

int TIdStackWindows::SockSend(TIdStackSocketHandle ASocket, const void* ABuffer, int ALength,
                              int AFlags) {
  return IdWinSock2::send(ASocket, static_cast<const char*>(ABuffer), ALength, AFlags);
}

int TIdStackWindows::SockSendTo(TIdStackSocketHandle ASocket, const void* ABuffer, int ALength,
                                int AFlags, const std::string& AAddress, int APort) {
  TSockAddrIn Addr{};
  Addr.sin_family = Id_PF_INET;
  Addr.sin_port = SockHtons(static_cast<std::uint16_t>(APort));
  Addr.sin_addr.S_addr = TextToAddressValue(AAddress);
  return IdWinSock2::sendto(ASocket, static_cast<const char*>(ABuffer), ALength, AFlags,
                            reinterpret_cast<const TSockAddr*>(&Addr), SockAddrInLength);
}

int TIdStackWindows::SockSetOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                                   const void* AOptVal, int AOptLen) {
  return IdWinSock2::setsockopt(ASocket, ALevel, AOptName, static_cast<const char*>(AOptVal),
                                AOptLen);
}

TIdStackSocketHandle TIdStackWindows::SockOpen(int AFamily, int AType, int AProtocol) {
  return IdWinSock2::socket(AFamily, AType, AProtocol);
}

int TIdStackWindows::SockShutdown(TIdStackSocketHandle ASocket, int AHow) {
  return IdWinSock2::shutdown(ASocket, AHow);
}

std::string TIdStackWindows::SocketErrorText(int ACode) {
  if (ACode == Id_WSAHOST_NOT_FOUND)
    return Format(RSStackError, {std::int64_t{ACode}, std::string_view(RSStackHOST_NOT_FOUND)});
  return TIdStack::SocketErrorText(ACode);
}

int TIdStackWindows::SockLastError() { return IdWinSock2::WSAGetLastError(); }

void TIdStackWindows::ReadEndpoint(IdWinSock2::TgetsocknameProc AQuery,
                                   TIdStackSocketHandle ASocket, int& AFamily,
                                   std::string& AAddress, int& APort) {
  TSockAddrIn Addr{};
  int Length = SockAddrInLength;
  CheckSocketResult(AQuery(ASocket, reinterpret_cast<TSockAddr*>(&Addr), &Length));
  AFamily = Addr.sin_family;
  ReadSockAddr(Addr, AAddress, APort);
}

void TIdStackWindows::SockPeerAddress(TIdStackSocketHandle ASocket, int& AFamily,
                                      std::string& AAddress, int& APort) {
  ReadEndpoint(IdWinSock2::getpeername, ASocket, AFamily, AAddress, APort);
}

void TIdStackWindows::SockOwnAddress(TIdStackSocketHandle ASocket, int& AFamily,
                                     std::string& AAddress, int& APort) {
  ReadEndpoint(IdWinSock2::getsockname, ASocket, AFamily, AAddress, APort);
}

int TIdStackWindows::SockGetOption(TIdStackSocketHandle ASocket, int ALevel, int AOptName,
                                   void* AOptVal, int& AOptLen) {
  return IdWinSock2::getsockopt(ASocket, ALevel, AOptName, static_cast<char*>(AOptVal), &AOptLen);
}

std::string TIdStackWindows::AddressToText(const TIdAddressBytes& AAddress) {
  return std::to_string(AAddress[0]) + "." + std::to_string(AAddress[1]) + "." +
         std::to_string(AAddress[2]) + "." + std::to_string(AAddress[3]);
}

TIdAddressBytes TIdStackWindows::TextToAddress(const std::string& AText) {
  const TIdParsedAddress Parsed = ParseAddressText(AText);
  if (Parsed.Form == TIdAddressForm::None)
    throw EIdInvalidIPAddress(Format(RSStackInvalidIP, {std::string_view(AText)}));
  return Parsed.Bytes;
}

std::unique_ptr<TIdSocketList> TIdSocketListWindows::Create() {
  return std::make_unique<TIdSocketListWindows>();
}

void TIdSocketListWindows::Add(TIdStackSocketHandle AHandle) {
  if (FFDSet.fd_count >= FD_SETSIZE_WS) throw EIdStackSetSizeExceeded(RSStackSetSizeExceeded);
  FFDSet.fd_array[FFDSet.fd_count++] = AHandle;
}

void TIdSocketListWindows::Remove(TIdStackSocketHandle AHandle) {
  for (std::uint32_t I = 0; I < FFDSet.fd_count; ++I) {
    if (FFDSet.fd_array[I] != AHandle) continue;
    FFDSet.fd_array[I] = FFDSet.fd_array[--FFDSet.fd_count];
    return;
  }
}

TIdStackSocketHandle TIdSocketListWindows::Items(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) throw EIdStackSetSizeExceeded(RSStackSetSizeExceeded);
  return FFDSet.fd_array[AIndex];
}
