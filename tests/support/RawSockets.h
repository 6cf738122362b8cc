// Whether this process may open raw sockets, which echo tests against real
// kernels need: root, or CAP_NET_RAW.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

inline bool RawSocketsAllowed() {
  const int Fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  if (Fd < 0) return false;
  ::close(Fd);
  return true;
}
