// The rights to ICMP sockets that echo tests depend on: raw sockets (root,
// or CAP_NET_RAW), the ICMP datagram sockets that the groups in
// net.ipv4.ping_group_range may open, on which the socket library falls back,
// and the echo helper beside the program, on which it falls back after that.
#pragma once

#include <linux/capability.h>
#include <netinet/in.h>
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

// Withholds CAP_NET_RAW from the calling thread while it lives, so that the
// sockets it opens are an ordinary user's; the thread keeps the right in its
// permitted set and has it back afterwards, and other threads (a scripted
// peer's) keep it throughout. Threads started meanwhile inherit the lack.
class RawSocketsWithheld {
 public:
  RawSocketsWithheld() : FHad(SetRawSocketEffective(false)) {}
  ~RawSocketsWithheld() {
    if (FHad) SetRawSocketEffective(true);
  }
  RawSocketsWithheld(const RawSocketsWithheld&) = delete;
  RawSocketsWithheld& operator=(const RawSocketsWithheld&) = delete;

 private:
  // Whether the thread had the right in effect before; it lacks it after.
  static bool SetRawSocketEffective(bool AOn) {
    __user_cap_header_struct Header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct Data[2]{};
    if (syscall(SYS_capget, &Header, Data) != 0) return false;
    const unsigned Bit = 1u << CAP_NET_RAW;
    const bool Had = (Data[0].effective & Bit) != 0;
    Data[0].effective = AOn ? Data[0].effective | Bit : Data[0].effective & ~Bit;
    return syscall(SYS_capset, &Header, Data) == 0 && Had;
  }
  bool FHad;
};

// Why a test that pings is skipped.
inline constexpr const char* kPingsRefused =
    "pings need CAP_NET_RAW, a group in net.ipv4.ping_group_range or the echo helper's right, "
    "which this process lacks";
