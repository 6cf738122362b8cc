// The stack's constants in the engine's own names: socket handles, families,
// socket types, protocols, option levels and shutdown directions.
#pragma once

#include "platform/winsock/WinSockTypes.h"

using TIdStackSocketHandle = TSocket;

inline constexpr TIdStackSocketHandle Id_INVALID_SOCKET = INVALID_SOCKET;
inline constexpr int Id_SOCKET_ERROR = SOCKET_ERROR;

inline constexpr int Id_PF_INET = AF_INET_WS;
inline constexpr int Id_SOCK_STREAM = SOCK_STREAM_WS;
inline constexpr int Id_SOCK_DGRAM = SOCK_DGRAM_WS;
inline constexpr int Id_SOCK_RAW = SOCK_RAW_WS;

inline constexpr int Id_IPPROTO_IP = IPPROTO_IP_WS;
inline constexpr int Id_IPPROTO_ICMP = IPPROTO_ICMP_WS;
inline constexpr int Id_IPPROTO_TCP = IPPROTO_TCP_WS;
inline constexpr int Id_IPPROTO_UDP = IPPROTO_UDP_WS;
inline constexpr int Id_IPPROTO_RAW = IPPROTO_RAW_WS;

inline constexpr int Id_SOL_SOCKET = SOL_SOCKET_WS;
inline constexpr int Id_IP_TTL = IP_TTL_WS;

inline constexpr int Id_SD_Recv = SD_RECEIVE;
inline constexpr int Id_SD_Send = SD_SEND;
inline constexpr int Id_SD_Both = SD_BOTH;

inline constexpr int Id_WSAEACCES = WSAEACCES;
inline constexpr int Id_WSAEMSGSIZE = WSAEMSGSIZE;
inline constexpr int Id_WSAHOST_NOT_FOUND = WSAHOST_NOT_FOUND;
