#!/usr/bin/env bash
# Runs a command the way an ordinary desktop user's program runs: raw sockets
# are refused (CAP_NET_RAW is dropped for good, for the command and all it
# starts) and ICMP datagram sockets are open to the user's group. With
# --no-datagram the group range stays closed, so both kinds are refused.
# With --helper HELPER the range stays closed too, but HELPER, the echo
# helper, is given raw sockets as an install gives them, and the command
# keeps every right but CAP_NET_RAW without root's own claim to all rights,
# so only what the helper's file grants can open a raw socket.
# Only for inside a namespace of netns-run.sh: the range is a setting of the
# network namespace.
set -euo pipefail

# QUORVEL_ICMP_SOCKETS tells tests which kind the run is meant to have.
range="$(id -g) $(id -g)"
export QUORVEL_ICMP_SOCKETS=datagram
case "${1:-}" in
  --no-datagram)
    range="1 0"
    QUORVEL_ICMP_SOCKETS=none
    shift
    ;;
  --helper)
    range="1 0"
    QUORVEL_ICMP_SOCKETS=helper
    if ! getcap "$2" | grep -q cap_net_raw=ep && ! setcap cap_net_raw+ep "$2"; then
      echo "cannot give $2 raw sockets: root and file capabilities are needed" >&2
      exit 77
    fi
    shift 2
    echo "$range" >/proc/sys/net/ipv4/ping_group_range
    # Every right of the bounding set but CAP_NET_RAW, kept across exec as
    # ambient rights, since root no longer gains them by being root.
    bounding=$(awk '/^CapBnd:/ {print $2}' /proc/self/status)
    keep=$(capsh --decode="$bounding" | sed 's/.*=//' | tr , '\n' | sed 's/^cap_//' |
      grep -vx net_raw | sed 's/^/+/' | paste -sd,)
    exec setpriv --securebits=+noroot,+noroot_locked --inh-caps=-all,"$keep" \
      --ambient-caps="$keep" -- "$@"
    ;;
esac
echo "$range" >/proc/sys/net/ipv4/ping_group_range
exec setpriv --bounding-set=-net_raw --inh-caps=-net_raw -- "$@"
