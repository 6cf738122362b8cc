#!/bin/sh
# Gives the installed program raw sockets, as the file capability cap_net_raw
# on the program itself. Without it (not root, no setcap, a file system that
# keeps no capabilities, or a staged install under DESTDIR whose files are
# copied elsewhere later) the program pings through an ICMP datagram socket
# instead, so this only says so and never fails the install.
#
#   grant-raw-sockets.sh <program as it is installed>
program=$1
if [ -z "${DESTDIR:-}" ] && [ "$(id -u)" -eq 0 ] && command -v setcap >/dev/null 2>&1 &&
  setcap cap_net_raw+ep "$program" 2>/dev/null; then
  echo "Quorvel may use raw sockets: cap_net_raw+ep is set on $program"
else
  echo "Quorvel will ping through ICMP datagram sockets (net.ipv4.ping_group_range); to give it raw sockets: sudo setcap cap_net_raw+ep $program"
fi
exit 0
