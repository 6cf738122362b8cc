// The base of raw-socket components: a destination, an IP protocol and a
// time-to-live, and one socket that is opened on demand to send one buffer as
// one datagram and to receive one datagram with a time-out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/IdComponent.h"
#include "net/IdSocketHandle.h"

class TIdRawBase : public TIdComponent {
 public:
  explicit TIdRawBase(TComponent* AOwner);

  const std::string& Host() const { return FHost; }
  void SetHost(const std::string& AValue) { FHost = AValue; }
  std::int32_t Port() const { return FPort; }
  void SetPort(std::int32_t AValue) { FPort = AValue; }
  std::int32_t Protocol() const { return FProtocol; }
  void SetProtocol(std::int32_t AValue) { FProtocol = AValue; }
  std::int32_t OutgoingTtl() const { return FOutgoingTtl; }
  void SetOutgoingTtl(std::int32_t AValue) { FOutgoingTtl = AValue; }
  // The size of a scratch buffer kept for descendants; nothing here uses it.
  std::int32_t BufferSize() const { return static_cast<std::int32_t>(FBuffer.size()); }
  void SetBufferSize(std::int32_t AValue);

  // The owned socket, opened as a raw socket of Protocol when it is closed,
  // with OutgoingTtl applied on every call.
  TIdSocketHandle& ReadySocket();
  // Resolves AHost anew and sends ASize bytes to it as one datagram.
  void SendPacket(const std::string& AHost, std::int32_t APort, const void* ABuffer,
                  std::int32_t ASize);
  // One datagram of at most ACount bytes: its size, 0 when nothing became
  // readable within ATimeOut ms (a negative time-out means ReceiveTimeout),
  // or -1 for a receive error, which the caller checks. A missing buffer or a
  // count of 0 or less returns 0 without touching the socket.
  std::int32_t ReceivePacket(void* ABuffer, std::int32_t ACount, std::int32_t ATimeOut = -1);

 protected:
  std::int32_t ReceiveTimeout() const { return FReceiveTimeout; }
  void SetReceiveTimeout(std::int32_t AValue) { FReceiveTimeout = AValue; }

 private:
  std::string FHost;
  std::int32_t FPort = 0;
  std::int32_t FProtocol = Id_IPPROTO_RAW;
  std::int32_t FReceiveTimeout = 0;
  std::int32_t FOutgoingTtl = 128;
  std::vector<std::uint8_t> FBuffer;
  TIdSocketHandle FSocket;
};
