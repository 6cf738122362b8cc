#!/usr/bin/env bash
# The program as a user installs and starts it. Installs from the build tree
# must lay out the program, its socket library, the echo helper, the link on
# the PATH, the desktop entry and the icon, grant raw sockets to the helper
# only and only where they say so, never privilege a file that links the
# toolkit, and uninstall to nothing. A user's own toolkit plugin, loaded by
# the installed program, must find no capability, also when someone has put
# one on the program by hand. The installed program, started the way a
# desktop starts it for an ordinary user (raw sockets refused, its folder
# read-only, its history in the user's data folder), must then ping 127.0.0.1
# when Single Ping is pressed, and show no error: through an ICMP datagram
# socket, and through the echo helper where those are closed.
#
# Only for inside netns-run.sh under xvfb-run: the loopback is the only
# network, the read-only mount stays in this namespace, the X server is ours.
#
#   install_test.sh <build folder> <source folder> <capability probe plugin>
set -euo pipefail

usage="usage: install_test.sh <build folder> <source folder> <capability probe plugin>"
build=$(readlink -f "${1:?$usage}")
source=$(readlink -f "${2:?$usage}")
probe=$(readlink -f "${3:?$usage}")

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
step() { echo "-- $*"; }

for tool in xdotool xclip desktop-file-validate getcap setcap readelf setpriv; do
  command -v "$tool" >/dev/null || fail "$tool is missing; scripts/install-deps.sh installs it"
done
[ -n "${DISPLAY:-}" ] || fail "no X display; run this under xvfb-run"

work=$(mktemp -d)
chmod 755 "$work"  # the ordinary user of the probe runs the program from here
program_pid=
ro_mount=

# Ends the program: asked first, then forced; waits a bounded time.
stop_program() {
  [ -n "$program_pid" ] || return 0
  kill "$program_pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$program_pid" 2>/dev/null || true
  wait "$program_pid" 2>/dev/null || true
  program_pid=
}
cleanup() {
  stop_program
  if [ -n "$ro_mount" ]; then umount "$ro_mount" || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# install_from_build <log> <cmake --install options>...: as `make install` does.
install_from_build() {
  local log=$1
  shift
  cmake --install "$build" --strip "$@" >"$log" 2>&1 || {
    cat "$log" >&2
    fail "cmake --install $* failed"
  }
}

# The four bytes at Offset of File, as a big-endian number.
be32_at() { od -An -tu1 -j "$2" -N4 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }'; }

# The value of Key in the desktop entry File.
desktop_value() { sed -n "s/^$2=//p" "$1"; }

# check_layout <installed prefix on disk>
check_layout() {
  local root=$1
  local link=$root/bin/quorvel program=$root/lib/quorvel/quorvel
  [ -L "$link" ] || fail "$link is no symbolic link"
  [ "$(readlink "$link")" = ../lib/quorvel/quorvel ] ||
    fail "$link points to $(readlink "$link"), not relatively to ../lib/quorvel/quorvel"
  [ "$(readlink -f "$link")" = "$(readlink -f "$program")" ] && [ -x "$program" ] ||
    fail "$link does not resolve to the executable $program"
  [ -f "$root/lib/quorvel/libws2_32.so" ] || fail "no libws2_32.so beside $program"
  [ -x "$root/lib/quorvel/quorvel-icmp-helper" ] || fail "no echo helper beside $program"
  readelf -d "$root/lib/quorvel/quorvel-icmp-helper" | grep -q NEEDED &&
    fail "the echo helper loads libraries: $(readelf -d "$root/lib/quorvel/quorvel-icmp-helper" | grep NEEDED)"
  local run_path
  run_path=$(readelf -d "$program" | grep -E 'RPATH|RUNPATH' || true)
  [ -z "$run_path" ] || fail "$program carries a run path, the library is found beside it: $run_path"

  local entry=$root/share/applications/quorvel.desktop
  [ -f "$entry" ] || fail "no desktop entry $entry"
  desktop-file-validate "$entry" || fail "$entry is no valid desktop entry"
  # The menu starts the link's name from the PATH and shows the icon's name.
  [ "$(desktop_value "$entry" Exec)" = "$(basename "$link")" ] ||
    fail "$entry starts '$(desktop_value "$entry" Exec)', not the installed $(basename "$link")"
  [ "$(desktop_value "$entry" Icon)" = quorvel ] || fail "$entry names another icon than quorvel"
  [ "$(desktop_value "$entry" Terminal)" = false ] || fail "$entry would open a terminal"

  local icons=$root/share/icons/hicolor
  grep -q '<svg' "$icons/scalable/apps/quorvel.svg" 2>/dev/null ||
    fail "no SVG icon at $icons/scalable/apps/quorvel.svg"
  local size png
  for size in 48 256; do
    png=$icons/${size}x${size}/apps/quorvel.png
    [ -f "$png" ] || fail "no $size-pixel icon at $png"
    # The header chunk holds the width and height right after the signature.
    [ "$(be32_at "$png" 16)x$(be32_at "$png" 20)" = "${size}x${size}" ] ||
      fail "$png is $(be32_at "$png" 16)x$(be32_at "$png" 20) pixels, not ${size}x${size}"
  done
  [ -f "$root/share/doc/quorvel/copyright" ] || fail "no licence at share/doc/quorvel/copyright"

  # The service: no toolkit, and a unit that starts it where it lies.
  local monitor=$root/bin/quorvel-monitor unit=$root/lib/systemd/system/quorvel-monitor.service
  [ -x "$monitor" ] || fail "no quorvel-monitor at $monitor"
  readelf -d "$monitor" | grep -q 'NEEDED.*libQt6' && fail "$monitor links the toolkit"
  grep -q '^ExecStart=.*/bin/quorvel-monitor ' "$unit" 2>/dev/null || fail "no unit starting quorvel-monitor at $unit"
  grep -qx 'DynamicUser=yes' "$unit" || fail "$unit runs as a fixed user"
}

# check_uninstalled <installed prefix on disk>: nothing is left but folders
# shared with other programs, and the program's own folder is gone.
check_uninstalled() {
  local left
  left=$(find "$1" ! -type d)
  [ -z "$left" ] || fail "uninstall left: $left"
  [ ! -e "$1/lib/quorvel" ] || fail "uninstall left the folder $1/lib/quorvel"
}

# check_privilege <installed prefix on disk>: only the echo helper may carry
# a capability, no file a set-id bit, and nothing that links the toolkit either.
check_privilege() {
  local file
  while IFS= read -r file; do
    [ ! -u "$file" ] && [ ! -g "$file" ] || fail "$file carries a set-id bit"
    if readelf -d "$file" 2>/dev/null | grep -q 'NEEDED.*libQt6'; then
      [ -z "$(getcap "$file")" ] || fail "$file links the toolkit, yet has $(getcap "$file")"
    elif [ "$(basename "$file")" != quorvel-icmp-helper ]; then
      [ -z "$(getcap "$file")" ] || fail "$file is not the echo helper, yet has $(getcap "$file")"
    fi
  done < <(find "$1" -type f)
}

# probe_capabilities <program> <log>: the program started by an ordinary
# user who names a style plugin of their own; prints the capabilities that
# the plugin found itself loaded with.
probe_capabilities() {
  local program=$1 log=$2 found
  setpriv --reuid=65534 --regid=65534 --clear-groups --inh-caps=-all -- \
    env -i HOME="$work/nobody" XDG_RUNTIME_DIR="$work/nobody/runtime" QT_QPA_PLATFORM=offscreen \
    QT_PLUGIN_PATH="$work/probe" QT_STYLE_OVERRIDE=capabilityprobe "$program" >"$log" 2>&1 &
  program_pid=$!
  for _ in $(seq 300); do
    found=$(sed -n 's/^capability probe CapEff:[[:space:]]*//p' "$log")
    [ -z "$found" ] || break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  stop_program
  [ -n "$found" ] || fail "the toolkit never loaded the probe plugin: $(cat "$log")"
  echo "$found"
}

fallback_line="will ping through ICMP datagram sockets"

step "a staged install (DESTDIR) lays out every file and gives no capability"
stage=$work/stage
staged=$stage/opt/quorvel
DESTDIR=$stage install_from_build "$work/staged.log" --prefix /opt/quorvel
cp "$build/install_manifest.txt" "$work/staged-record"
grep -qF "$fallback_line" "$work/staged.log" &&
  grep -qF "sudo setcap cap_net_raw+ep /opt/quorvel/lib/quorvel/quorvel-icmp-helper" "$work/staged.log" ||
  fail "a staged install does not say how the installed echo helper gets raw sockets"
check_layout "$staged"
[ -z "$(getcap -r "$staged")" ] || fail "a staged install set a capability: $(getcap -r "$staged")"

step "an install as root gives raw sockets to the echo helper alone, exactly when it says so"
direct=$work/direct
helper=$direct/lib/quorvel/quorvel-icmp-helper
install_from_build "$work/direct.log" --prefix "$direct"
cp "$build/install_manifest.txt" "$work/direct-record"
check_layout "$direct"
check_privilege "$direct"
capability=$(getcap "$helper")
grep -F Quorvel "$work/direct.log" | sed 's/^/   /'
if grep -qF "$fallback_line" "$work/direct.log"; then
  [ -z "$capability" ] || fail "the install said it gave no raw sockets, yet set: $capability"
else
  grep -qF "cap_net_raw+ep is set on $helper" "$work/direct.log" ||
    fail "the install said neither that it gave raw sockets nor how to: $(cat "$work/direct.log")"
  [[ "$capability" == *cap_net_raw=ep* ]] ||
    fail "the install said it gave raw sockets, yet the helper has '$capability'"
fi

step "a user's own plugin, loaded by the installed program, gains no capability"
mkdir -p "$work/probe/styles" "$work/nobody/runtime"
cp "$probe" "$work/probe/styles/"
chmod -R a+rX "$work/probe"
chmod 700 "$work/nobody/runtime"
chown -R 65534:65534 "$work/nobody"
found=$(probe_capabilities "$direct/bin/quorvel" "$work/probe.log")
[ "$found" = 0000000000000000 ] || fail "the plugin ran with capabilities $found"
grep -q "gave them all up" "$work/probe.log" && fail "a program without privilege said it gave some up"

step "a capability put on the program by hand is given up before the toolkit starts"
setcap cap_net_raw+ep "$direct/lib/quorvel/quorvel"
found=$(probe_capabilities "$direct/bin/quorvel" "$work/probe-setcap.log")
[ "$found" = 0000000000000000 ] || fail "with a capability on the program the plugin ran with $found"
[ "$(grep -c "gave them all up" "$work/probe-setcap.log")" -eq 1 ] ||
  fail "the program did not say once that it gave its privileges up: $(cat "$work/probe-setcap.log")"
install_from_build "$work/reinstall.log" --prefix "$direct"
[ -z "$(getcap "$direct/lib/quorvel/quorvel")" ] ||
  fail "installing again kept the capability on the program: $(getcap "$direct/lib/quorvel/quorvel")"

step "uninstalling removes every file"
"$source/scripts/uninstall.sh" "$work/direct-record" >/dev/null
check_uninstalled "$direct"
[ ! -e "$work/direct-record" ] || fail "uninstall kept its record of the removed files"

step "the installed program, read-only and without raw sockets, pings 127.0.0.1 from its history"
home=$work/home
history=$home/.local/share/quorvel/host.txt
mkdir -p "$(dirname "$history")" "$work/runtime"
chmod 700 "$work/runtime"
printf '127.0.0.1\r\n' >"$history"

# A counter of the namespace's ICMP statistics, by its name in /proc/net/snmp.
icmp_counter() {
  awk -v name="$1" '/^Icmp:/ { if (!seen) { for (i = 2; i <= NF; i++) column[$i] = i; seen = 1 }
                               else print $column[name] }' /proc/net/snmp
}
# The program's windows that are on the screen.
visible_windows() { xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null || true; }

# ping_from_window [without-raw-sockets.sh options]: starts the installed
# program as a user's desktop does, presses Single Ping, and checks that one
# request went out and its reply came back, with no message shown.
ping_from_window() {
  local requests_before replies_before requests replies window host
  requests_before=$(icmp_counter OutEchos)
  replies_before=$(icmp_counter InEchoReps)
  env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=xcb "$source/scripts/without-raw-sockets.sh" "$@" "$staged/bin/quorvel" \
    >"$work/program.log" 2>&1 &
  program_pid=$!
  window=$(timeout 30 xdotool search --sync --all --onlyvisible --pid "$program_pid" \
    --name '^QK Quorvel$' | head -n 1) || true
  [ -n "$window" ] || fail "the main window did not show within 30 s: $(cat "$work/program.log")"
  [ "$(visible_windows | wc -l)" -eq 1 ] || fail "the program opened a second window at start"

  # The host box must hold the history's first host before anything is sent:
  # it is read through the clipboard (client position of the box, as the form
  # lays it out: left 112, top 11, 337 x 21).
  host=
  for _ in $(seq 20); do
    xdotool mousemove --window "$window" 200 21 click 1
    xdotool key --clearmodifiers ctrl+a ctrl+c
    host=$(timeout 2 xclip -o -selection clipboard 2>/dev/null) || true
    [ -z "$host" ] || break
    sleep 0.25
  done
  [ "$host" = 127.0.0.1 ] ||
    fail "the host box holds '$host', not 127.0.0.1 from $history; nothing was sent"

  # Single Ping sits at left 456, top 8, 113 x 26 in the window's client area.
  xdotool mousemove --window "$window" 512 21 click 1
  requests=$requests_before
  replies=$replies_before
  for _ in $(seq 100); do
    requests=$(icmp_counter OutEchos)
    replies=$(icmp_counter InEchoReps)
    [ "$requests" -gt "$requests_before" ] && [ "$replies" -gt "$replies_before" ] && break
    sleep 0.1
  done
  [ "$requests" -eq $((requests_before + 1)) ] ||
    fail "Single Ping sent $((requests - requests_before)) echo requests, not 1"
  [ "$replies" -eq $((replies_before + 1)) ] ||
    fail "no echo reply arrived within 10 s ($((replies - replies_before)) replies)"
  # A failure would show a message box beside the main window.
  sleep 0.5
  kill -0 "$program_pid" 2>/dev/null || fail "the program ended: $(cat "$work/program.log")"
  [ "$(visible_windows | wc -l)" -eq 1 ] || fail "the program showed a message after the ping"
  stop_program
}

# The echo helper gets its right as an install gives it, before the folder
# turns read-only.
setcap cap_net_raw+ep "$staged/lib/quorvel/quorvel-icmp-helper"
mount --bind -o ro "$staged" "$staged"
ro_mount=$staged
! touch "$staged/lib/quorvel/host.txt" 2>/dev/null || fail "the installed folder is still writable"
echo "   through an ICMP datagram socket"
ping_from_window
echo "   through the echo helper, where the group range leaves the user out"
ping_from_window --helper "$staged/lib/quorvel/quorvel-icmp-helper"
umount "$ro_mount"
ro_mount=

step "uninstalling the staged install (DESTDIR) removes it"
DESTDIR=$stage "$source/scripts/uninstall.sh" "$work/staged-record" >/dev/null
check_uninstalled "$staged"
echo "PASS"
