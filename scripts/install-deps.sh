#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, and only those
# that are missing. Without root it prints the command to run instead.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev
  qt6-base-dev fonts-liberation2
  clang libclang-rt-14-dev
  iproute2 util-linux mount netbase
  binutils-mingw-w64-x86-64
  xvfb xauth
  qt6-svg-dev desktop-file-utils dpkg-dev libcap2-bin
  xdotool xclip
)

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

command="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run as root:  $command" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
