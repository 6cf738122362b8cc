// The binary interface of the Windows Sockets 2 library: the types, layouts,
// constants and error codes that the library and its callers share.
#pragma once

#include <cstdint>

using TSocket = std::uint32_t;
using TWord = std::uint16_t;
using TDWord = std::uint32_t;

inline constexpr TSocket INVALID_SOCKET = ~TSocket{0};
inline constexpr int SOCKET_ERROR = -1;

// A descriptor set: a count followed by room for 64 socket numbers (260 bytes).
inline constexpr int FD_SETSIZE_WS = 64;
struct TFDSet {
  std::uint32_t fd_count;
  TSocket fd_array[FD_SETSIZE_WS];
};
static_assert(sizeof(TFDSet) == 260);

struct TTimeVal {
  std::int32_t tv_sec;
  std::int32_t tv_usec;
};

struct TInAddr {
  std::uint32_t S_addr;  // network order
};

// The generic socket address; only the IPv4 form below is served.
struct TSockAddr {
  std::uint16_t sa_family;
  char sa_data[14];
};

struct TSockAddrIn {
  std::uint16_t sin_family;
  std::uint16_t sin_port;  // network order
  TInAddr sin_addr;
  char sin_zero[8];
};
static_assert(sizeof(TSockAddrIn) == 16);

struct THostEnt {
  char* h_name;
  char** h_aliases;
  std::int16_t h_addrtype;
  std::int16_t h_length;
  char** h_addr_list;
};

struct TServEnt {
  char* s_name;
  char** s_aliases;
  char* s_proto;
  std::int16_t s_port;  // network order
};

struct TProtoEnt {
  char* p_name;
  char** p_aliases;
  std::int16_t p_proto;
};

inline constexpr int WSADESCRIPTION_LEN = 256;
inline constexpr int WSASYS_STATUS_LEN = 128;

struct TWSAData {
  TWord wVersion;
  TWord wHighVersion;
  std::uint16_t iMaxSockets;
  std::uint16_t iMaxUdpDg;
  char* lpVendorInfo;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
};

struct TLinger {
  std::uint16_t l_onoff;
  std::uint16_t l_linger;
};

// Address families, socket types and protocols.
inline constexpr int AF_INET_WS = 2;
inline constexpr int SOCK_STREAM_WS = 1;
inline constexpr int SOCK_DGRAM_WS = 2;
inline constexpr int SOCK_RAW_WS = 3;
inline constexpr int IPPROTO_IP_WS = 0;
inline constexpr int IPPROTO_ICMP_WS = 1;
inline constexpr int IPPROTO_TCP_WS = 6;
inline constexpr int IPPROTO_UDP_WS = 17;
inline constexpr int IPPROTO_RAW_WS = 255;

// Option levels and names.
inline constexpr int SOL_SOCKET_WS = 0xFFFF;
inline constexpr int SO_DEBUG_WS = 0x0001;
inline constexpr int SO_ACCEPTCONN_WS = 0x0002;
inline constexpr int SO_REUSEADDR_WS = 0x0004;
inline constexpr int SO_KEEPALIVE_WS = 0x0008;
inline constexpr int SO_DONTROUTE_WS = 0x0010;
inline constexpr int SO_BROADCAST_WS = 0x0020;
inline constexpr int SO_LINGER_WS = 0x0080;
inline constexpr int SO_OOBINLINE_WS = 0x0100;
inline constexpr int SO_SNDBUF_WS = 0x1001;
inline constexpr int SO_RCVBUF_WS = 0x1002;
inline constexpr int SO_SNDTIMEO_WS = 0x1005;
inline constexpr int SO_RCVTIMEO_WS = 0x1006;
inline constexpr int SO_ERROR_WS = 0x1007;
inline constexpr int SO_TYPE_WS = 0x1008;
inline constexpr int IP_OPTIONS_WS = 1;
inline constexpr int IP_HDRINCL_WS = 2;
inline constexpr int IP_TOS_WS = 3;
inline constexpr int IP_TTL_WS = 4;
inline constexpr int IP_MULTICAST_IF_WS = 9;
inline constexpr int IP_MULTICAST_TTL_WS = 10;
inline constexpr int IP_MULTICAST_LOOP_WS = 11;
inline constexpr int TCP_NODELAY_WS = 0x0001;

// Message flags and shutdown directions.
inline constexpr int MSG_OOB_WS = 0x1;
inline constexpr int MSG_PEEK_WS = 0x2;
inline constexpr int MSG_DONTROUTE_WS = 0x4;
inline constexpr int SD_RECEIVE = 0;
inline constexpr int SD_SEND = 1;
inline constexpr int SD_BOTH = 2;

inline constexpr std::uint32_t INADDR_NONE_WS = 0xFFFFFFFFu;

// Error codes, as WSAGetLastError and WSAStartup report them.
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEDESTADDRREQ = 10039;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEPROTOTYPE = 10041;
inline constexpr int WSAENOPROTOOPT = 10042;
inline constexpr int WSAEPROTONOSUPPORT = 10043;
inline constexpr int WSAESOCKTNOSUPPORT = 10044;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEPFNOSUPPORT = 10046;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAENETRESET = 10052;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETOOMANYREFS = 10059;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAELOOP = 10062;
inline constexpr int WSAENAMETOOLONG = 10063;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSAENOTEMPTY = 10066;
inline constexpr int WSASYSNOTREADY = 10091;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

// Opaque structures of exports that this system declares but never calls.
struct TWSABuf;
struct TQualityOfService;
struct TWSAProtocolInfoA;
struct TWSAProtocolInfoW;
struct TWSANetworkEvents;
struct TWSAOverlapped;
struct TWSAQuerySetA;
struct TWSAQuerySetW;
struct TWSAServiceClassInfoA;
struct TWSAServiceClassInfoW;
struct TWSANameSpaceInfoA;
struct TWSANameSpaceInfoW;
struct TTransmitFileBuffers;
struct TGuid;
using THandle = void*;
using THWnd = void*;
using TWSAEvent = void*;
using TBool = std::int32_t;
using TGroup = std::uint32_t;
using TFarProc = void (*)();
using TConditionProc = int (*)(TWSABuf*, TWSABuf*, TQualityOfService*, TQualityOfService*, TWSABuf*,
                               TWSABuf*, TGroup*, std::uintptr_t);
using TCompletionRoutine = void (*)(TDWord, TDWord, TWSAOverlapped*, TDWord);
