#include "net/IdSocketHandle.h"

#include <algorithm>

#include "net/IdAntiFreezeBase.h"
#include "net/IdComponent.h"
#include "net/IdException.h"
#include "net/IdResourceStrings.h"
#include "platform/kernel/Clock.h"

TIdSocketHandle::TIdSocketHandle() { ClearState(true); }

TIdSocketHandle::~TIdSocketHandle() { Close(); }

void TIdSocketHandle::Open(int ASocketType, int AProtocol) {
  Close();
  FSocketValue = SharedStack->NewSocketHandle(ASocketType, AProtocol);
  FIsOpen = true;
  FLastStep = GetTickCount();
  FDataSinceStep = false;
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

namespace {

// The slice length of the current responsive-waiting component, read when a
// slice needs it. Once the component is gone (or has been given a length that
// cannot slice), a wait that is already sliced goes on with its last length.
int SliceLength(int ALastLength) {
  if (CurrentAntiFreeze == nullptr || CurrentAntiFreeze->IdleTimeOut() <= 0) return ALastLength;
  return CurrentAntiFreeze->IdleTimeOut();
}

}  // namespace

bool TIdSocketHandle::WaitReadable(int ATimeOut) {
  if (!FIsOpen) throw EIdConnClosedGracefully(RSConnectionClosedGracefully);
  const int Slice = TIdAntiFreezeBase::InUse() ? SliceLength(0) : 0;
  if (Slice <= 0) return SelectSlice(ATimeOut);
  if (ATimeOut == IdTimeoutInfinite) {
    // Ends only when data arrives or the open check raises; every slice steps.
    int Length = Slice;
    while (!SelectSlice(Length)) {
      if (!FIsOpen) throw EIdConnClosedGracefully(RSConnectionClosedGracefully);
      Length = SliceLength(Length);
    }
    return true;
  }
  if (ATimeOut <= Slice) return SelectSlice(ATimeOut);
  // The remainder first, then whole slices, so the wait adds up to the
  // time-out exactly: 600 ms in slices of 250 is 100, 250, 250.
  const int WholeSlices = (ATimeOut - 1) / Slice;
  if (SelectSlice(ATimeOut - WholeSlices * Slice)) return true;
  int Length = Slice;
  for (int I = 0; I < WholeSlices; ++I) {
    Length = SliceLength(Length);
    if (SelectSlice(Length)) return true;
  }
  return false;
}

bool TIdSocketHandle::SelectSlice(int ATimeOut) {
  const int Length = TIdAntiFreezeBase::InUse() ? SliceLength(0) : 0;
  // A stream that stops just before a forced step would otherwise leave the
  // window a whole further slice unserved: wait only until the step is due.
  if (Length > 0 && FDataSinceStep && ATimeOut > 0) {
    const int UntilDue = std::max(0, Length - static_cast<int>(GetTickCount() - FLastStep));
    if (UntilDue < ATimeOut) {
      if (SelectAndStep(UntilDue, Length)) return true;
      ATimeOut -= UntilDue;
    }
  }
  return SelectAndStep(ATimeOut, Length);
}

bool TIdSocketHandle::SelectAndStep(int ATimeOut, int ASliceLength) {
  TIdSocketHandleList ReadList{FSocketValue};
  const bool Readable = SharedStack->SockSelect(&ReadList, nullptr, nullptr, ATimeOut) == 1;
  // A steady stream of datagrams that all prove foreign ends every slice with
  // data, so no slice is idle; once a whole slice length has passed without a
  // step, the step is forced and the window is served all the same.
  const bool Overdue =
      ASliceLength > 0 && GetTickCount() - FLastStep >= static_cast<DWORD>(ASliceLength);
  TIdAntiFreezeBase::PumpIfDue(!Readable, Overdue);
  if (!Readable || Overdue) {
    FLastStep = GetTickCount();
    FDataSinceStep = false;
  } else {
    FDataSinceStep = true;
  }
  return Readable;
}
