#!/usr/bin/env bash
# Removes what `make install` put in place, as listed in the record it keeps
# (a copy of CMake's install manifest: one installed path a line, without
# DESTDIR), then the program's own folder once it is empty. Shared folders
# such as bin/ and share/applications/ stay.
#
#   [DESTDIR=<stage>] scripts/uninstall.sh <record>
set -euo pipefail

record=${1:?usage: scripts/uninstall.sh <record of make install>}
if [ ! -f "$record" ]; then
  echo "Nothing to uninstall: $record is missing (make install writes it)." >&2
  exit 1
fi

folders=()
# The manifest has no line break after its last path.
while IFS= read -r path || [ -n "$path" ]; do
  [ -n "$path" ] || continue
  file="${DESTDIR:-}$path"
  # -L too: the link on the PATH dangles once the program is gone.
  [ -e "$file" ] || [ -L "$file" ] || continue
  if ! rm -f -- "$file"; then
    echo "Cannot remove $file; run it as the user who installed (sudo make uninstall)." >&2
    exit 1
  fi
  echo "Removed $file"
  folder=$(dirname -- "$file")
  if [ "$(basename -- "$folder")" = quorvel ]; then folders+=("$folder"); fi
done <"$record"

for folder in ${folders[@]+"${folders[@]}"}; do
  rmdir --ignore-fail-on-non-empty -- "$folder" 2>/dev/null || true
done
rm -f -- "$record"
