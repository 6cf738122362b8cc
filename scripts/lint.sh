#!/usr/bin/env bash
# The house habits as a gate: fails on a source file that clang-format would
# change and on a finding of the checks in .clang-tidy.
#   scripts/lint.sh BUILD_FOLDER   (a configured build, for its compile commands)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

mapfile -t sources < <(find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | sort)
if ! clang-format --dry-run -Werror "${sources[@]}"; then
  echo "lint: run clang-format -i on the files above" >&2
  exit 1
fi

# The program's own code; tests and benchmarks are held to the format alone.
run-clang-tidy -quiet -p "$build" -j "${JOBS:-$(nproc)}" "$PWD/src/" "$PWD/tools/" >"$build/clang-tidy.log" 2>&1 || {
  grep -E 'error:|warning:' "$build/clang-tidy.log" | sort -u >&2
  echo "lint: clang-tidy found the above (whole log in $build/clang-tidy.log)" >&2
  exit 1
}
