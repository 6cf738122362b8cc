#include "net/IdStack.h"

#include <algorithm>
#include <cstring>

#include "net/IdAntiFreezeBase.h"
#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "net/IdResourceStrings.h"
#include "platform/kernel/Library.h"
#include "rtl/SysUtils.h"
#include "wire/HelperMessages.h"

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
  std::array<std::string_view, 4> Parts;
  for (std::size_t I = 0; I < 3; ++I) Parts[I] = FetchPart(Rest);
  Parts[3] = Rest;

  // The first empty part after the first ends the address; the last part in
  // use fills all the bytes that the parts before it leave.
  std::size_t Count = 1;
  while (Count < Parts.size() && !Parts[Count].empty()) ++Count;

  TIdParsedAddress Result;
  for (std::size_t I = 0; I < Count; ++I) {
    const std::size_t Width = I + 1 < Count ? 1 : 5 - Count;
    const std::int64_t Value = PartValue(Parts[I]);
    if (Value < 0 || Value >= (std::int64_t{1} << (8 * Width))) return {};
    PutBytes(Result.Bytes, I, Width, Value);
  }
  Result.Form = Count == 1 ? TIdAddressForm::SingleNumber : TIdAddressForm::Dotted;
  Result.AddressClass =
      Count == 4 ? ClassOfFirstByte(Result.Bytes[0]) : static_cast<int>(Count) - 1;
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

namespace {

// The echo helper sits beside the socket library, in the program's folder.
std::string EchoHelperFileName() {
  const std::string Program = ExecutableFileName();
  return Program.substr(0, Program.rfind('/') + 1) + quorvel::wire::kHelperFileName;
}

}  // namespace

TIdStackSocketHandle TIdStack::NewSocketHandle(int ASocketType, int AProtocol) {
  const TIdStackSocketHandle Handle = SockOpen(Id_PF_INET, ASocketType, AProtocol);
  if (Handle == Id_INVALID_SOCKET) {
    // A refused raw socket is a missing right the user can grant: say how.
    if (ASocketType == Id_SOCK_RAW && SockLastError() == Id_WSAEACCES)
      throw EIdInvalidSocket(Format(RSIcmpSocketsRefused, {EchoHelperFileName()}));
    throw EIdInvalidSocket(RSCannotAllocateSocket);
  }
  return Handle;
}

std::string TIdStack::ResolveHostText(const std::string& AHost) {
  if (SameText(AHost, "LOCALHOST")) return "127.0.0.1";
  if (IsAddressText(AHost)) return AHost;
  // A lookup lasts as long as the name servers take to answer, or to fail to;
  // the window goes on meanwhile.
  std::string Address;
  TIdAntiFreezeBase::RunResponsively([&] { Address = SockHostByName(AHost); });
  return Address;
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
