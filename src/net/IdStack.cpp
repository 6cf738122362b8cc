#include "net/IdStack.h"

#include <algorithm>
#include <cstring>

#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "net/IdResourceStrings.h"
#include "rtl/SysUtils.h"

namespace {

struct TSocketErrorEntry {
  int Code;
  const char* Text;
};

constexpr TSocketErrorEntry SocketErrorTexts[] = {
    {WSAEINTR, RSStackEINTR},
    {WSAEBADF, RSStackEBADF},
    {WSAEACCES, RSStackEACCES},
    {WSAEFAULT, RSStackEFAULT},
    {WSAEINVAL, RSStackEINVAL},
    {WSAEMFILE, RSStackEMFILE},
    {WSAEWOULDBLOCK, RSStackEWOULDBLOCK},
    {WSAEINPROGRESS, RSStackEINPROGRESS},
    {WSAEALREADY, RSStackEALREADY},
    {WSAENOTSOCK, RSStackENOTSOCK},
    {WSAEDESTADDRREQ, RSStackEDESTADDRREQ},
    {WSAEMSGSIZE, RSStackEMSGSIZE},
    {WSAEPROTOTYPE, RSStackEPROTOTYPE},
    {WSAENOPROTOOPT, RSStackENOPROTOOPT},
    {WSAEPROTONOSUPPORT, RSStackEPROTONOSUPPORT},
    {WSAESOCKTNOSUPPORT, RSStackESOCKTNOSUPPORT},
    {WSAEOPNOTSUPP, RSStackEOPNOTSUPP},
    {WSAEPFNOSUPPORT, RSStackEPFNOSUPPORT},
    {WSAEAFNOSUPPORT, RSStackEAFNOSUPPORT},
    {WSAEADDRINUSE, RSStackEADDRINUSE},
    {WSAEADDRNOTAVAIL, RSStackEADDRNOTAVAIL},
    {WSAENETDOWN, RSStackENETDOWN},
    {WSAENETUNREACH, RSStackENETUNREACH},
    {WSAENETRESET, RSStackENETRESET},
    {WSAECONNABORTED, RSStackECONNABORTED},
    {WSAECONNRESET, RSStackECONNRESET},
    {WSAENOBUFS, RSStackENOBUFS},
    {WSAEISCONN, RSStackEISCONN},
    {WSAENOTCONN, RSStackENOTCONN},
    {WSAESHUTDOWN, RSStackESHUTDOWN},
    {WSAETOOMANYREFS, RSStackETOOMANYREFS},
    {WSAETIMEDOUT, RSStackETIMEDOUT},
    {WSAECONNREFUSED, RSStackECONNREFUSED},
    {WSAELOOP, RSStackELOOP},
    {WSAENAMETOOLONG, RSStackENAMETOOLONG},
    {WSAEHOSTDOWN, RSStackEHOSTDOWN},
    {WSAEHOSTUNREACH, RSStackEHOSTUNREACH},
    {WSAENOTEMPTY, RSStackENOTEMPTY},
};

// Takes the text before the next "." and leaves what follows it.
std::string_view FetchPart(std::string_view& ARest) {
  const std::size_t Dot = ARest.find('.');
  const std::string_view Part = ARest.substr(0, Dot);
  ARest = Dot == std::string_view::npos ? std::string_view() : ARest.substr(Dot + 1);
  return Part;
}

// A part that does not convert completely fails every range test.
std::int64_t PartValue(std::string_view APart) { return TryStrToInt64(APart).value_or(-1); }

bool InRange(std::int64_t AValue, std::int64_t AMax) { return AValue >= 0 && AValue <= AMax; }

int ClassOfFirstByte(std::uint8_t AByte) {
  if (AByte < 128) return 1;
  if (AByte < 192) return 2;
  if (AByte < 224) return 3;
  if (AByte < 240) return 4;
  return 5;
}

// The low ACount bytes of AValue, most significant first, from AFirst on.
void PutBytes(TIdAddressBytes& ABytes, std::size_t AFirst, std::size_t ACount,
              std::int64_t AValue) {
  for (std::size_t I = 0; I < ACount; ++I)
    ABytes[AFirst + I] = static_cast<std::uint8_t>(AValue >> (8 * (ACount - 1 - I)));
}

}  // namespace

TIdParsedAddress ParseAddressText(std::string_view AText) {
  std::string_view Rest = AText;
  const std::string_view Part1 = FetchPart(Rest);
  const std::string_view Part2 = FetchPart(Rest);
  const std::string_view Part3 = FetchPart(Rest);
  const std::string_view Part4 = Rest;

  TIdParsedAddress Result;
  TIdAddressBytes& B = Result.Bytes;
  const std::int64_t V1 = PartValue(Part1);
  if (Part2.empty()) {
    if (!InRange(V1, 0xFFFFFFFF)) return {};
    PutBytes(B, 0, 4, V1);
    Result.AddressClass = 0;
    Result.Form = TIdAddressForm::SingleNumber;
    return Result;
  }
  if (!InRange(V1, 255)) return {};
  PutBytes(B, 0, 1, V1);
  const std::int64_t V2 = PartValue(Part2);
  if (Part3.empty()) {
    if (!InRange(V2, 0xFFFFFF)) return {};
    PutBytes(B, 1, 3, V2);
    Result.AddressClass = 1;
  } else {
    if (!InRange(V2, 255)) return {};
    PutBytes(B, 1, 1, V2);
    const std::int64_t V3 = PartValue(Part3);
    if (Part4.empty()) {
      if (!InRange(V3, 0xFFFF)) return {};
      PutBytes(B, 2, 2, V3);
      Result.AddressClass = 2;
    } else {
      const std::int64_t V4 = PartValue(Part4);
      if (!InRange(V3, 255) || !InRange(V4, 255)) return {};
      PutBytes(B, 2, 1, V3);
      PutBytes(B, 3, 1, V4);
      Result.AddressClass = ClassOfFirstByte(B[0]);
    }
  }
  Result.Form = TIdAddressForm::Dotted;
  return Result;
}

TIdStack::~TIdStack() = default;

std::unique_ptr<TIdStack> TIdStack::CreatePlatformStack() { return StackClass(); }

bool TIdStack::CheckSocketResult(int AResult, std::initializer_list<int> ATolerated) {
  if (AResult != Id_SOCKET_ERROR) return false;
  FLastSocketError = SockLastError();
  if (std::find(ATolerated.begin(), ATolerated.end(), FLastSocketError) != ATolerated.end())
    return true;
  ThrowSocketError(FLastSocketError);
}

void TIdStack::ThrowSocketError(int ACode) { throw EIdSocketError(ACode, SocketErrorText(ACode)); }

TIdStackSocketHandle TIdStack::NewSocketHandle(int ASocketType, int AProtocol) {
  const TIdStackSocketHandle Handle = SockOpen(Id_PF_INET, ASocketType, AProtocol);
  if (Handle == Id_INVALID_SOCKET) throw EIdInvalidSocket(RSCannotAllocateSocket);
  return Handle;
}

std::string TIdStack::ResolveHostText(const std::string& AHost) {
  if (SameText(AHost, "LOCALHOST")) return "127.0.0.1";
  if (IsAddressText(AHost)) return AHost;
  return SockHostByName(AHost);
}

std::uint32_t TIdStack::TextToAddressValue(const std::string& AText) {
  const TIdAddressBytes Bytes = TextToAddress(AText);
  std::uint32_t Value = 0;
  std::memcpy(&Value, Bytes.data(), sizeof Value);
  return Value;
}

const std::vector<std::string>& TIdStack::LocalAddresses() {
  LocalAddressList();
  FillLocalAddresses();
  return *FLocalAddressList;
}

std::string TIdStack::LocalAddress() {
  const std::vector<std::string>& List = LocalAddresses();
  return List.empty() ? std::string() : List.front();
}

std::vector<std::string>& TIdStack::LocalAddressList() {
  if (!FLocalAddressList) FLocalAddressList = std::make_unique<std::vector<std::string>>();
  return *FLocalAddressList;
}

std::string TIdStack::SocketErrorText(int ACode) {
  std::string_view Text;
  for (const TSocketErrorEntry& Entry : SocketErrorTexts)
    if (Entry.Code == ACode) Text = Entry.Text;
  return Format(RSStackError, {std::int64_t{ACode}, Text});
}

std::unique_ptr<TIdSocketList> TIdSocketList::CreateSocketList() { return SocketListClass(); }
