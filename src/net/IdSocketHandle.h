// One platform socket of the echo engine: opened and closed on request, with
// a datagram send, a receive, options and a wait until it is readable. Every
// call goes through the shared stack.
#pragma once

#include <cstdint>
#include <string>

#include "net/IdStackConsts.h"

// The time-out of a wait without limit.
inline constexpr int IdTimeoutInfinite = -2;

class TIdSocketHandle {
 public:
  TIdSocketHandle();
  ~TIdSocketHandle();

  TIdSocketHandle(const TIdSocketHandle&) = delete;
  TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;

  // Closes any open socket first; EIdInvalidSocket when none can be had.
  void Open(int ASocketType, int AProtocol);
  // Stops sending, then closes; failures of either call are ignored. Does
  // nothing on a closed handle.
  void Close();
  // Forgets the socket without closing it; the local end only when asked.
  void ClearState(bool AResetLocal);

  // One datagram of ASize bytes to a dotted address. EIdPackageSizeTooBig for
  // a datagram the platform refuses as too long, EIdNotAllBytesSent for a
  // short send and EIdSocketError for any other failure.
  void SendDatagram(const std::string& AAddress, int APort, const void* ABuffer, int ASize);
  // The platform's receive result, unexamined: a byte count or -1.
  int ReceiveData(void* ABuffer, int ALength, int AFlags);
  // EIdSocketError when the platform refuses the option.
  void SetOption(int ALevel, int AOptName, const void* AOptVal, int AOptLen);
  // Whether the socket became readable within ATimeOut ms (-2: no limit);
  // EIdConnClosedGracefully when the handle is not open. A failed wait
  // counts as not readable. While responsive waiting is in use, the wait is
  // cut into slices of at most its IdleTimeOut (none when that is 0 or
  // less), each followed by its processing step; time spent in the steps does not count against
  // ATimeOut. A wait without limit checks that the handle is open before
  // every slice, a bounded one before the first only.
  bool WaitReadable(int ATimeOut);

  TIdStackSocketHandle SocketValue() const { return FSocketValue; }
  bool IsOpen() const { return FIsOpen; }

  const std::string& IP() const { return FIP; }
  void SetIP(const std::string& AValue) { FIP = AValue; }
  int Port() const { return FPort; }
  void SetPort(int AValue) { FPort = AValue; }
  int ClientPortMin() const { return FClientPortMin; }
  void SetClientPortMin(int AValue) { FClientPortMin = AValue; }
  int ClientPortMax() const { return FClientPortMax; }
  void SetClientPortMax(int AValue) { FClientPortMax = AValue; }
  const std::string& PeerIP() const { return FPeerIP; }
  int PeerPort() const { return FPeerPort; }

 private:
  // A slice of ATimeOut ms, then the processing step if one is due: after
  // a slice without data, or when no step has run for a slice length since
  // the last one or since the socket was opened, data or not. After slices
  // that ended with data, the slice is cut where the next step falls due.
  bool SelectSlice(int ATimeOut);
  // One select, then the step as SelectSlice describes it.
  bool SelectAndStep(int ATimeOut, int ASliceLength);

  TIdStackSocketHandle FSocketValue = Id_INVALID_SOCKET;
  bool FIsOpen = false;
  std::string FIP;
  int FPort = 0;
  int FClientPortMin = 0;
  int FClientPortMax = 0;
  std::string FPeerIP;
  int FPeerPort = 0;
  // The tick of the last processing step of this socket's waits, or of its opening.
  std::uint32_t FLastStep = 0;
  // Whether a slice has ended with data since that step.
  bool FDataSinceStep = false;
};
