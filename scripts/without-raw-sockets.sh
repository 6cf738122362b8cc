#!/usr/bin/env bash
# Runs a command the way an ordinary desktop user's program runs: raw sockets
# are refused (CAP_NET_RAW is dropped for good, for the command and all it
# starts) and ICMP datagram sockets are open to the user's group. With
# --no-datagram the group range stays closed, so both kinds are refused.
# Only for inside a namespace of netns-run.sh: the range is a setting of the
# network namespace.
set -euo pipefail

# QUORVEL_ICMP_SOCKETS tells tests which kind the run is meant to have.
range="$(id -g) $(id -g)"
export QUORVEL_ICMP_SOCKETS=datagram
if [ "${1:-}" = "--no-datagram" ]; then
  range="1 0"
  QUORVEL_ICMP_SOCKETS=none
  shift
fi
echo "$range" >/proc/sys/net/ipv4/ping_group_range
exec setpriv --bounding-set=-net_raw --inh-caps=-net_raw -- "$@"
