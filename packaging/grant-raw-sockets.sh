#!/bin/sh
# Gives the installed echo helper raw sockets, as the file capability
# cap_net_raw on the helper alone: the window program links a toolkit that
# loads code named by the environment, so it never gets any. Without the
# capability (not root, no setcap, a file system that keeps no capabilities,
# or a staged install under DESTDIR whose files are copied elsewhere later)
# users ping through ICMP datagram sockets, so this only says so, checks that
# the system opens those to its users, and never fails the install.
#
#   grant-raw-sockets.sh <the installed program's folder>
helper=$1/quorvel-icmp-helper
program=$1/quorvel
# A capability that an earlier install put on the program itself, or an
# administrator by hand, is taken off again.
if [ -z "${DESTDIR:-}" ] && command -v getcap >/dev/null 2>&1 && [ -n "$(getcap "$program" 2>/dev/null)" ]; then
  setcap -r "$program" 2>/dev/null && echo "Quorvel: the capability on $program is removed; only the echo helper may hold one"
fi
if [ -z "${DESTDIR:-}" ] && [ "$(id -u)" -eq 0 ] && command -v setcap >/dev/null 2>&1 &&
  setcap cap_net_raw+ep "$helper" 2>/dev/null; then
  echo "Quorvel's echo helper may use raw sockets: cap_net_raw+ep is set on $helper"
else
  echo "Quorvel will ping through ICMP datagram sockets (net.ipv4.ping_group_range); to let its echo helper use raw sockets where those are closed: sudo setcap cap_net_raw+ep $helper"
fi
# Ordinary users' groups are 100 (users) and 1000 to 59999 on Debian.
if [ -z "${DESTDIR:-}" ] && read -r low high </proc/sys/net/ipv4/ping_group_range 2>/dev/null &&
  { [ "$low" -gt 100 ] || [ "$high" -lt 59999 ]; }; then
  echo "ICMP datagram sockets are open to groups $low to $high only, not to every user; to open them: sudo sysctl -w net.ipv4.ping_group_range=\"0 2147483647\""
fi
exit 0
