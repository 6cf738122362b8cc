#!/usr/bin/env bash
# Runs a command inside fresh network and mount namespaces: only the loopback
# interface exists, and the resolver asks 127.0.0.1, where tests may answer
# themselves. Nothing run this way can reach a real network.
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
  self=$(readlink -f "$0")
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --net --mount -- "$self" --inside "$@"
  fi
  # A user namespace maps us to root there, which also grants raw sockets.
  exec unshare --map-root-user --net --mount -- "$self" --inside "$@"
fi
shift

ip link set lo up
mount --make-rprivate /
conf=$(mktemp -d)
trap 'umount /etc/resolv.conf 2>/dev/null || true; rm -rf "$conf"' EXIT
printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >"$conf/resolv.conf"
mount --bind "$conf/resolv.conf" /etc/resolv.conf
# Named namespaces that tests make are kept here, never on the machine's disk.
if mkdir -p /run/netns 2>/dev/null; then
  mount -t tmpfs tmpfs /run/netns
else
  mount -t tmpfs tmpfs /run
  mkdir /run/netns
fi
"$@"
