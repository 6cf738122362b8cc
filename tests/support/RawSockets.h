// The rights to ICMP sockets that echo tests depend on: raw sockets (root,
// or CAP_NET_RAW), the ICMP datagram sockets that the groups in
// net.ipv4.ping_group_range may open, on which the socket library falls back,
// and the echo helper beside the program, on which it falls back after that.
#pragma once

#include <linux/capability.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "support/EchoHelperProcess.h"

inline bool SocketAllowed(int AType) {
  const int Fd = ::socket(AF_INET, AType, IPPROTO_ICMP);
  if (Fd < 0) return false;
  ::close(Fd);
  return true;
}

// Whether this process may open raw ICMP sockets, as a scripted peer or a
// watcher on the wire needs.
inline bool RawSocketsAllowed() { return SocketAllowed(SOCK_RAW); }

// Whether the echo client can ping at all: through either kind of socket, or
// through the echo helper.
inline bool PingsAllowed() {
  return RawSocketsAllowed() || SocketAllowed(SOCK_DGRAM) || quorvel::test::EchoHelperAllowed();
}

// Opens net.ipv4.ping_group_range of this network namespace to our group, or
// closes it to every group; false when the setting cannot be written.
inline bool SetPingGroupRange(bool AOpen) {
  const std::string Gid = std::to_string(getgid());
  std::ofstream Range("/proc/sys/net/ipv4/ping_group_range");
  Range << (AOpen ? Gid + " " + Gid : std::string("1 0"));
  Range.close();
  return static_cast<bool>(Range);
}

// Drops CAP_NET_RAW from this process, as for an ordinary user; false when
// that fails. Unless `forGood`, it stays in the bounding set, so a program
// that root starts gains it again (the echo helper, say). Only for test
// programs that run one case per process.
inline bool DropRawSocketRight(bool forGood = true) {
  __user_cap_header_struct Header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct Data[2]{};
  if (syscall(SYS_capget, &Header, Data) != 0) return false;
  const unsigned Bit = 1u << CAP_NET_RAW;
  Data[0].effective &= ~Bit;
  Data[0].permitted &= ~Bit;
  Data[0].inheritable &= ~Bit;
  return (!forGood || prctl(PR_CAPBSET_DROP, CAP_NET_RAW, 0, 0, 0) == 0) &&
         syscall(SYS_capset, &Header, Data) == 0 && !RawSocketsAllowed();
}

// Why a test that pings is skipped.
inline constexpr const char* kPingsRefused =
    "pings need CAP_NET_RAW, a group in net.ipv4.ping_group_range or the echo helper's right, "
    "which this process lacks";
