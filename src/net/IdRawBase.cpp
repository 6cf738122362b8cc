#include "net/IdRawBase.h"

#include <algorithm>

TIdRawBase::TIdRawBase(TComponent* AOwner) : TIdComponent(AOwner) { SetBufferSize(8192); }

void TIdRawBase::SetBufferSize(std::int32_t AValue) {
  FBuffer.resize(static_cast<std::size_t>(std::max<std::int32_t>(AValue, 0)));
}

TIdSocketHandle& TIdRawBase::ReadySocket() {
  if (!FSocket.IsOpen()) FSocket.Open(Id_SOCK_RAW, FProtocol);
  FSocket.SetOption(Id_IPPROTO_IP, Id_IP_TTL, &FOutgoingTtl, sizeof FOutgoingTtl);
  return FSocket;
}

void TIdRawBase::SendPacket(const std::string& AHost, std::int32_t APort, const void* ABuffer,
                            std::int32_t ASize) {
  const std::string Address = SharedStack->ResolveHostText(AHost);
  ReadySocket().SendDatagram(Address, APort, ABuffer, ASize);
}

std::int32_t TIdRawBase::ReceivePacket(void* ABuffer, std::int32_t ACount, std::int32_t ATimeOut) {
  if (ACount <= 0 || ABuffer == nullptr) return 0;
  if (ATimeOut < 0) ATimeOut = FReceiveTimeout;
  if (!ReadySocket().WaitReadable(ATimeOut)) return 0;
  return ReadySocket().ReceiveData(ABuffer, ACount, 0);
}
