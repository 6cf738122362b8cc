#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, and only those
# that are missing. Without root it prints the command to run instead.
set -euo pipefail

packages=(
  g++ make cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev
  qt6-base-dev fonts-liberation2
  clang libclang-rt-14-dev clang-format clang-tidy
  iproute2 util-linux mount netbase
  binutils-mingw-w64-x86-64
  xvfb xauth
  qt6-svg-dev desktop-file-utils dpkg-dev libcap2-bin
  xdotool xclip
  locales
  dbus-daemon dunst
  prometheus-cpp-dev libcivetweb-dev
  prometheus
)

# The whole-program tests run once more under this locale, whose decimal
# separator is a comma.
test_locale=de_DE.UTF-8

# Generates the test locale when the system does not have it yet.
generate_locale() {
  locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8' && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing locale $test_locale; run as root:  locale-gen $test_locale" >&2
    exit 1
  fi
  echo "Generating the locale $test_locale"
  sed -i "s/^# *\($test_locale UTF-8\)$/\1/" /etc/locale.gen
  grep -qx "$test_locale UTF-8" /etc/locale.gen || echo "$test_locale UTF-8" >>/etc/locale.gen
  locale-gen >/dev/null
}

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  generate_locale
  exit 0
fi

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
generate_locale
