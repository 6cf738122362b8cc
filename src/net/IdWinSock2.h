// The run-time loader of the socket library "WS2_32.DLL". Every function is
// called through a process-wide slot that starts at a stub; the first call
// binds the slot by export name, later calls go straight to the library.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/kernel/Types.h"
#include "platform/winsock/WinSockTypes.h"

// The 112 rows of the function table, in their fixed order:
// X(slot name, export name, result type, parameter list).
#define ID_WINSOCK_FUNCTIONS(X)                                                                    \
  X(WSACleanup, "WSACleanup", int, ())                                                             \
  X(accept, "accept", TSocket, (TSocket, TSockAddr*, int*))                                        \
  X(bind, "bind", int, (TSocket, const TSockAddr*, int))                                           \
  X(closesocket, "closesocket", int, (TSocket))                                                    \
  X(connect, "connect", int, (TSocket, const TSockAddr*, int))                                     \
  X(ioctlsocket, "ioctlsocket", int, (TSocket, std::int32_t, std::uint32_t*))                      \
  X(getpeername, "getpeername", int, (TSocket, TSockAddr*, int*))                                  \
  X(getsockname, "getsockname", int, (TSocket, TSockAddr*, int*))                                  \
  X(getsockopt, "getsockopt", int, (TSocket, int, int, char*, int*))                               \
  X(htonl, "htonl", std::uint32_t, (std::uint32_t))                                                \
  X(htons, "htons", std::uint16_t, (std::uint16_t))                                                \
  X(inet_addr, "inet_addr", std::uint32_t, (const char*))                                          \
  X(inet_ntoa, "inet_ntoa", char*, (TInAddr))                                                      \
  X(listen, "listen", int, (TSocket, int))                                                         \
  X(ntohl, "ntohl", std::uint32_t, (std::uint32_t))                                                \
  X(ntohs, "ntohs", std::uint16_t, (std::uint16_t))                                                \
  X(recv, "recv", int, (TSocket, char*, int, int))                                                 \
  X(recvfrom, "recvfrom", int, (TSocket, char*, int, int, TSockAddr*, int*))                       \
  X(select, "select", int, (int, TFDSet*, TFDSet*, TFDSet*, const TTimeVal*))                      \
  X(send, "send", int, (TSocket, const char*, int, int))                                           \
  X(sendto, "sendto", int, (TSocket, const char*, int, int, const TSockAddr*, int))                \
  X(setsockopt, "setsockopt", int, (TSocket, int, int, const char*, int))                          \
  X(shutdown, "shutdown", int, (TSocket, int))                                                     \
  X(socket, "socket", TSocket, (int, int, int))                                                    \
  X(gethostbyaddr, "gethostbyaddr", THostEnt*, (const char*, int, int))                            \
  X(gethostbyname, "gethostbyname", THostEnt*, (const char*))                                      \
  X(gethostname, "gethostname", int, (char*, int))                                                 \
  X(getservbyport, "getservbyport", TServEnt*, (int, const char*))                                 \
  X(getservbyname, "getservbyname", TServEnt*, (const char*, const char*))                         \
  X(getprotobynumber, "getprotobynumber", TProtoEnt*, (int))                                       \
  X(getprotobyname, "getprotobyname", TProtoEnt*, (const char*))                                   \
  X(WSASetLastError, "WSASetLastError", void, (int))                                               \
  X(WSAGetLastError, "WSAGetLastError", int, ())                                                   \
  X(WSAIsBlocking, "WSAIsBlocking", TBool, ())                                                     \
  X(WSAUnhookBlockingHook, "WSAUnhookBlockingHook", int, ())                                       \
  X(WSASetBlockingHook, "WSASetBlockingHook", TFarProc, (TFarProc))                                \
  X(WSACancelBlockingCall, "WSACancelBlockingCall", int, ())                                       \
  X(WSAAsyncGetServByName, "WSAAsyncGetServByName", THandle,                                       \
    (THWnd, unsigned, const char*, const char*, char*, int))                                       \
  X(WSAAsyncGetServByPort, "WSAAsyncGetServByPort", THandle,                                       \
    (THWnd, unsigned, int, const char*, char*, int))                                               \
  X(WSAAsyncGetProtoByName, "WSAAsyncGetProtoByName", THandle,                                     \
    (THWnd, unsigned, const char*, char*, int))                                                    \
  X(WSAAsyncGetProtoByNumber, "WSAAsyncGetProtoByNumber", THandle,                                 \
    (THWnd, unsigned, int, char*, int))                                                            \
  X(WSAAsyncGetHostByName, "WSAAsyncGetHostByName", THandle,                                       \
    (THWnd, unsigned, const char*, char*, int))                                                    \
  X(WSAAsyncGetHostByAddr, "WSAAsyncGetHostByAddr", THandle,                                       \
    (THWnd, unsigned, const char*, int, int, char*, int))                                          \
  X(WSACancelAsyncRequest, "WSACancelAsyncRequest", int, (THandle))                                \
  X(WSAAsyncSelect, "WSAAsyncSelect", int, (TSocket, THWnd, unsigned, std::int32_t))               \
  X(__WSAFDIsSet, "__WSAFDIsSet", int, (TSocket, TFDSet*))                                         \
  X(WSAAccept, "WSAAccept", TSocket, (TSocket, TSockAddr*, int*, TConditionProc, std::uintptr_t))  \
  X(WSACloseEvent, "WSACloseEvent", TBool, (TWSAEvent))                                            \
  X(WSAConnect, "WSAConnect", int,                                                                 \
    (TSocket, const TSockAddr*, int, TWSABuf*, TWSABuf*, TQualityOfService*, TQualityOfService*))  \
  X(WSACreateEvent, "WSACreateEvent", TWSAEvent, ())                                               \
  X(WSADuplicateSocketA, "WSADuplicateSocketA", int, (TSocket, TDWord, TWSAProtocolInfoA*))        \
  X(WSADuplicateSocketW, "WSADuplicateSocketW", int, (TSocket, TDWord, TWSAProtocolInfoW*))        \
  X(WSAEnumNetworkEvents, "WSAEnumNetworkEvents", int, (TSocket, TWSAEvent, TWSANetworkEvents*))   \
  X(WSAEnumProtocolsA, "WSAEnumProtocolsA", int, (int*, TWSAProtocolInfoA*, TDWord*))              \
  X(WSAEnumProtocolsW, "WSAEnumProtocolsW", int, (int*, TWSAProtocolInfoW*, TDWord*))              \
  X(WSAEventSelect, "WSAEventSelect", int, (TSocket, TWSAEvent, std::int32_t))                     \
  X(WSAGetOverlappedResult, "WSAGetOverlappedResult", TBool,                                       \
    (TSocket, TWSAOverlapped*, TDWord*, TBool, TDWord*))                                           \
  X(WSAGetQosByName, "WSAGetQosByName", TBool, (TSocket, TWSABuf*, TQualityOfService*))            \
  X(WSAHtonl, "WSAHtonl", int, (TSocket, std::uint32_t, std::uint32_t*))                           \
  X(WSAHtons, "WSAHtons", int, (TSocket, std::uint16_t, std::uint16_t*))                           \
  X(WSAIoctl, "WSAIoctl", int,                                                                     \
    (TSocket, TDWord, void*, TDWord, void*, TDWord, TDWord*, TWSAOverlapped*, TCompletionRoutine)) \
  X(WSAJoinLeaf, "WSAJoinLeaf", TSocket,                                                           \
    (TSocket, const TSockAddr*, int, TWSABuf*, TWSABuf*, TQualityOfService*, TQualityOfService*,   \
     TDWord))                                                                                      \
  X(WSANtohl, "WSANtohl", int, (TSocket, std::uint32_t, std::uint32_t*))                           \
  X(WSANtohs, "WSANtohs", int, (TSocket, std::uint16_t, std::uint16_t*))                           \
  X(WSARecv, "WSARecv", int,                                                                       \
    (TSocket, TWSABuf*, TDWord, TDWord*, TDWord*, TWSAOverlapped*, TCompletionRoutine))            \
  X(WSARecvDisconnect, "WSARecvDisconnect", int, (TSocket, TWSABuf*))                              \
  X(WSARecvFrom, "WSARecvFrom", int,                                                               \
    (TSocket, TWSABuf*, TDWord, TDWord*, TDWord*, TSockAddr*, int*, TWSAOverlapped*,               \
     TCompletionRoutine))                                                                          \
  X(WSAResetEvent, "WSAResetEvent", TBool, (TWSAEvent))                                            \
  X(WSASend, "WSASend", int,                                                                       \
    (TSocket, TWSABuf*, TDWord, TDWord*, TDWord, TWSAOverlapped*, TCompletionRoutine))             \
  X(WSASendDisconnect, "WSASendDisconnect", int, (TSocket, TWSABuf*))                              \
  X(WSASendTo, "WSASendTo", int,                                                                   \
    (TSocket, TWSABuf*, TDWord, TDWord*, TDWord, const TSockAddr*, int, TWSAOverlapped*,           \
     TCompletionRoutine))                                                                          \
  X(WSASetEvent, "WSASetEvent", TBool, (TWSAEvent))                                                \
  X(WSASocketA, "WSASocketA", TSocket, (int, int, int, TWSAProtocolInfoA*, TGroup, TDWord))        \
  X(WSASocketW, "WSASocketW", TSocket, (int, int, int, TWSAProtocolInfoW*, TGroup, TDWord))        \
  X(WSAWaitForMultipleEvents, "WSAWaitForMultipleEvents", TDWord,                                  \
    (TDWord, const TWSAEvent*, TBool, TDWord, TBool))                                              \
  X(WSAAddressToStringA, "WSAAddressToStringA", int,                                               \
    (TSockAddr*, TDWord, TWSAProtocolInfoA*, char*, TDWord*))                                      \
  X(WSAAddressToStringW, "WSAAddressToStringW", int,                                               \
    (TSockAddr*, TDWord, TWSAProtocolInfoW*, char16_t*, TDWord*))                                  \
  X(WSAStringToAddressA, "WSAStringToAddressA", int,                                               \
    (char*, int, TWSAProtocolInfoA*, TSockAddr*, int*))                                            \
  X(WSAStringToAddressW, "WSAStringToAddressW", int,                                               \
    (char16_t*, int, TWSAProtocolInfoW*, TSockAddr*, int*))                                        \
  X(WSALookupServiceBeginA, "WSALookupServiceBeginA", int, (TWSAQuerySetA*, TDWord, THandle*))     \
  X(WSALookupServiceBeginW, "WSALookupServiceBeginW", int, (TWSAQuerySetW*, TDWord, THandle*))     \
  X(WSALookupServiceNextA, "WSALookupServiceNextA", int,                                           \
    (THandle, TDWord, TDWord*, TWSAQuerySetA*))                                                    \
  X(WSALookupServiceNextW, "WSALookupServiceNextW", int,                                           \
    (THandle, TDWord, TDWord*, TWSAQuerySetW*))                                                    \
  X(WSALookupServiceEnd, "WSALookupServiceEnd", int, (THandle))                                    \
  X(WSAInstallServiceClassA, "WSAInstallServiceClassA", int, (TWSAServiceClassInfoA*))             \
  X(WSAInstallServiceClassW, "WSAInstallServiceClassW", int, (TWSAServiceClassInfoW*))             \
  X(WSARemoveServiceClass, "WSARemoveServiceClass", int, (TGuid*))                                 \
  X(WSAGetServiceClassInfoA, "WSAGetServiceClassInfoA", int,                                       \
    (TGuid*, TGuid*, TDWord*, TWSAServiceClassInfoA*))                                             \
  X(WSAGetServiceClassInfoW, "WSAGetServiceClassInfoW", int,                                       \
    (TGuid*, TGuid*, TDWord*, TWSAServiceClassInfoW*))                                             \
  X(WSAEnumNameSpaceProvidersA, "WSAEnumNameSpaceProvidersA", int, (TDWord*, TWSANameSpaceInfoA*)) \
  X(WSAEnumNameSpaceProvidersW, "WSAEnumNameSpaceProvidersW", int, (TDWord*, TWSANameSpaceInfoW*)) \
  X(WSAGetServiceClassNameByClassIdA, "WSAGetServiceClassNameByClassIdA", int,                     \
    (TGuid*, char*, TDWord*))                                                                      \
  X(WSAGetServiceClassNameByClassIdW, "WSAGetServiceClassNameByClassIdW", int,                     \
    (TGuid*, char16_t*, TDWord*))                                                                  \
  X(WSASetServiceA, "WSASetServiceA", int, (TWSAQuerySetA*, int, TDWord))                          \
  X(WSASetServiceW, "WSASetServiceW", int, (TWSAQuerySetW*, int, TDWord))                          \
  X(WSAProviderConfigChange, "WSAProviderConfigChange", int,                                       \
    (THandle*, TWSAOverlapped*, TCompletionRoutine))                                               \
  X(WSADuplicateSocket, "WSADuplicateSocketA", int, (TSocket, TDWord, TWSAProtocolInfoA*))         \
  X(WSAEnumProtocols, "WSAEnumProtocolsA", int, (int*, TWSAProtocolInfoA*, TDWord*))               \
  X(WSASocket, "WSASocketA", TSocket, (int, int, int, TWSAProtocolInfoA*, TGroup, TDWord))         \
  X(WSAAddressToString, "WSAAddressToStringA", int,                                                \
    (TSockAddr*, TDWord, TWSAProtocolInfoA*, char*, TDWord*))                                      \
  X(WSAStringToAddress, "WSAStringToAddressA", int,                                                \
    (char*, int, TWSAProtocolInfoA*, TSockAddr*, int*))                                            \
  X(WSALookupServiceBegin, "WSALookupServiceBeginA", int, (TWSAQuerySetA*, TDWord, THandle*))      \
  X(WSALookupServiceNext, "WSALookupServiceNextA", int,                                            \
    (THandle, TDWord, TDWord*, TWSAQuerySetA*))                                                    \
  X(WSAInstallServiceClass, "WSAInstallServiceClassA", int, (TWSAServiceClassInfoA*))              \
  X(WSAGetServiceClassInfo, "WSAGetServiceClassInfoA", int,                                        \
    (TGuid*, TGuid*, TDWord*, TWSAServiceClassInfoA*))                                             \
  X(WSAEnumNameSpaceProviders, "WSAEnumNameSpaceProvidersA", int, (TDWord*, TWSANameSpaceInfoA*))  \
  X(WSAGetServiceClassNameByClassId, "WSAGetServiceClassNameByClassIdA", int,                      \
    (TGuid*, char*, TDWord*))                                                                      \
  X(WSASetService, "WSASetServiceA", int, (TWSAQuerySetA*, int, TDWord))                           \
  X(TransmitFile, "TransmitFile", TBool,                                                           \
    (TSocket, THandle, TDWord, TDWord, TWSAOverlapped*, TTransmitFileBuffers*, TDWord))            \
  X(AcceptEx, "AcceptEx", TBool,                                                                   \
    (TSocket, TSocket, void*, TDWord, TDWord, TDWord, TDWord*, TWSAOverlapped*))                   \
  X(GetAcceptExSockaddrs, "GetAcceptExSockaddrs", void,                                            \
    (void*, TDWord, TDWord, TDWord, TSockAddr**, int*, TSockAddr**, int*))                         \
  X(WSARecvEx, "WSARecvEx", int, (TSocket, char*, int, int*))

namespace IdWinSock2 {

#define ID_WINSOCK_ROW_INDEX(Name, Export, Result, Params) wr_##Name,
enum TWinsockRow : std::size_t { ID_WINSOCK_FUNCTIONS(ID_WINSOCK_ROW_INDEX) WinsockRowCount };
#undef ID_WINSOCK_ROW_INDEX
static_assert(WinsockRowCount == 112);

// The slots: process-wide pointers with each function's own signature.
#define ID_WINSOCK_SLOT(Name, Export, Result, Params)                              \
  using T##Name##Proc = Result(*) Params; /* NOLINT(bugprone-macro-parentheses) */ \
  extern T##Name##Proc Name;
ID_WINSOCK_FUNCTIONS(ID_WINSOCK_SLOT)
#undef ID_WINSOCK_SLOT

struct TWinsockFunctionRow {
  FARPROC Stub;
  void (*AssignSlot)(FARPROC Proc);  // stores Proc into the row's slot
  const char* ExportName;
};

extern const TWinsockFunctionRow WinsockFunctionTable[WinsockRowCount];

inline constexpr const char* WinsockLibraryName = "WS2_32.DLL";

// The loaded library, or nullptr.
HMODULE WinsockLibrary();

// Loads the library unless it is loaded, then calls its WSAStartup. Raises
// EIdWS2StubError when the library cannot be loaded or lacks WSAStartup.
int StartWinsock(TWord ARequestedVersion, TWSAData* AStartupData);

// Binds one row's slot by export name and returns the function. Raises
// EIdWS2StubError (10093) before the library is loaded, or with the system's
// code when the library lacks the export.
FARPROC BindWinsockFunction(TWinsockRow ARow);

// Points every slot back at its stub and forgets the library.
void ResetWinsockStubs();

// Releases the library; runs by itself at the end of the process once the
// library has been loaded.
void UnloadWinsock();

}  // namespace IdWinSock2
