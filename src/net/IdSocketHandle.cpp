#include "net/IdSocketHandle.h"

#include "net/IdComponent.h"
#include "net/IdException.h"
#include "net/IdResourceStrings.h"

TIdSocketHandle::TIdSocketHandle() { ClearState(true); }

TIdSocketHandle::~TIdSocketHandle() { Close(); }

void TIdSocketHandle::Open(int ASocketType, int AProtocol) {
  Close();
  FSocketValue = SharedStack->NewSocketHandle(ASocketType, AProtocol);
  FIsOpen = true;
}

void TIdSocketHandle::Close() {
  if (!FIsOpen) return;
  FIsOpen = false;
  // The old number stays in SocketValue; a later Open replaces it.
  SharedStack->SockShutdown(FSocketValue, Id_SD_Send);
  SharedStack->SockClose(FSocketValue);
}

void TIdSocketHandle::ClearState(bool AResetLocal) {
  FIsOpen = false;
  FSocketValue = Id_INVALID_SOCKET;
  if (AResetLocal) {
    FIP.clear();
    FPort = 0;
  }
  FPeerIP.clear();
  FPeerPort = 0;
}

void TIdSocketHandle::SendDatagram(const std::string& AAddress, int APort, const void* ABuffer,
                                   int ASize) {
  const int Sent = SharedStack->SockSendTo(FSocketValue, ABuffer, ASize, 0, AAddress, APort);
  if (Sent == Id_SOCKET_ERROR && SharedStack->SockLastError() == Id_WSAEMSGSIZE)
    throw EIdPackageSizeTooBig(RSPackageSizeTooBig);
  SharedStack->CheckSocketResult(Sent);
  if (Sent != ASize) throw EIdNotAllBytesSent(RSNotAllBytesSent);
}

int TIdSocketHandle::ReceiveData(void* ABuffer, int ALength, int AFlags) {
  return SharedStack->SockRecv(FSocketValue, ABuffer, ALength, AFlags);
}

void TIdSocketHandle::SetOption(int ALevel, int AOptName, const void* AOptVal, int AOptLen) {
  SharedStack->CheckSocketResult(
      SharedStack->SockSetOption(FSocketValue, ALevel, AOptName, AOptVal, AOptLen));
}

bool TIdSocketHandle::WaitReadable(int ATimeOut) {
  if (!FIsOpen) throw EIdConnClosedGracefully(RSConnectionClosedGracefully);
  TIdSocketHandleList ReadList{FSocketValue};
  return SharedStack->SockSelect(&ReadList, nullptr, nullptr, ATimeOut) == 1;
}
