#include "net/IdWinSock2.h"

#include <atomic>
#include <cstdlib>
#include <type_traits>

#include "net/IdException.h"
#include "net/IdResourceStrings.h"
#include "platform/kernel/LastError.h"
#include "platform/kernel/Library.h"

namespace IdWinSock2 {

namespace {

std::atomic<HMODULE> GWinsockLibrary{nullptr};

// A row's stub binds its slot on the first call and then continues into the
// bound function with the caller's arguments unchanged.
template <TWinsockRow Row, typename TProc>
struct TWinsockStub;

template <TWinsockRow Row, typename TResult, typename... TArgs>
struct TWinsockStub<Row, TResult (*)(TArgs...)> {
  static TResult Call(TArgs... Args) {
    return reinterpret_cast<TResult (*)(TArgs...)>(BindWinsockFunction(Row))(Args...);
  }
};

template <auto& Slot>
void AssignSlot(FARPROC Proc) {
  Slot = reinterpret_cast<std::remove_reference_t<decltype(Slot)>>(Proc);
}

[[noreturn]] void RaiseCallError(const char* AExportName, DWORD ACode) {
  throw EIdWS2StubError(Format(RSWinsockCallError, {std::string_view(AExportName)}), ACode);
}

}  // namespace

// Slots start at their stubs by constant initialisation, before any code runs.
#define ID_WINSOCK_SLOT_DEFINITION(Name, Export, Result, Params) \
  T##Name##Proc Name = &TWinsockStub<wr_##Name, T##Name##Proc>::Call;
ID_WINSOCK_FUNCTIONS(ID_WINSOCK_SLOT_DEFINITION)
#undef ID_WINSOCK_SLOT_DEFINITION

#define ID_WINSOCK_TABLE_ROW(Name, Export, Result, Params)                                      \
  {reinterpret_cast<FARPROC>(&TWinsockStub<wr_##Name, T##Name##Proc>::Call), &AssignSlot<Name>, \
   Export},
const TWinsockFunctionRow WinsockFunctionTable[WinsockRowCount] = {
    ID_WINSOCK_FUNCTIONS(ID_WINSOCK_TABLE_ROW)};
#undef ID_WINSOCK_TABLE_ROW

HMODULE WinsockLibrary() { return GWinsockLibrary.load(); }

int StartWinsock(TWord ARequestedVersion, TWSAData* AStartupData) {
  HMODULE Library = GWinsockLibrary.load();
  if (Library == nullptr) {
    Library = LoadLibraryA(WinsockLibraryName);
    if (Library == nullptr) {
      throw EIdWS2StubError(Format(RSWinsockLoadError, {std::string_view(WinsockLibraryName)}),
                            GetLastError());
    }
    GWinsockLibrary.store(Library);
    // Registered after the library's own start-up, so that at process end the
    // release runs before the library's own end.
    static const bool ReleaseAtExit = std::atexit(&UnloadWinsock) == 0;
    (void)ReleaseAtExit;
  }
  // A library that is loaded but whose start-up failed before is started
  // again here rather than reported as started.
  using TWSAStartupProc = int (*)(TWord, TWSAData*);
  const auto Startup = reinterpret_cast<TWSAStartupProc>(GetProcAddress(Library, "WSAStartup"));
  if (Startup == nullptr) RaiseCallError("WSAStartup", GetLastError());
  return Startup(ARequestedVersion, AStartupData);
}

FARPROC BindWinsockFunction(TWinsockRow ARow) {
  const TWinsockFunctionRow& Row = WinsockFunctionTable[ARow];
  const HMODULE Library = GWinsockLibrary.load();
  if (Library == nullptr) RaiseCallError(Row.ExportName, WSANOTINITIALISED);
  const FARPROC Proc = GetProcAddress(Library, Row.ExportName);
  if (Proc == nullptr) RaiseCallError(Row.ExportName, GetLastError());
  Row.AssignSlot(Proc);
  return Proc;
}

void ResetWinsockStubs() {
  for (const TWinsockFunctionRow& Row : WinsockFunctionTable) Row.AssignSlot(Row.Stub);
  GWinsockLibrary.store(nullptr);
}

void UnloadWinsock() {
  const HMODULE Library = GWinsockLibrary.exchange(nullptr);
  if (Library == nullptr) return;
  FreeLibrary(Library);
  ResetWinsockStubs();
}

}  // namespace IdWinSock2
