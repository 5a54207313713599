#!/usr/bin/env bash
# Builds every preset and runs every test: native, native with the address and
# undefined-behaviour sanitizers, native with the thread sanitizer, and both
# Windows builds. The 64-bit Windows build's tests run under 64-bit Wine. The
# 32-bit build is always checked from its headers (its kind, exports, imports
# and type library); its tests run under 32-bit Wine only where this machine
# runs 32-bit programs and 32-bit Wine is installed, which is found out by
# trying, and said in one line where it is not so.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs=$(nproc)
presets=(native native-san native-tsan mingw32 mingw64)
# A failing test program shows only its failures and its summary: the log of
# a long run stays short enough to be read whole.
export GTEST_BRIEF=1

# Why the 32-bit Windows programs cannot run here, or nothing when they can.
why_no_32bit_wine() {
  local reason
  if ! reason="$(scripts/runs-32bit.sh)"; then
    echo "this machine cannot run 32-bit programs ($reason)"
    return
  fi
  if [ ! -x /usr/lib/wine/wine ]; then
    echo "32-bit Wine is not installed (/usr/lib/wine/wine)"
    return
  fi
  if ! reason="$(/usr/lib/wine/wine --version 2>&1)"; then
    echo "32-bit Wine does not start (${reason##*: })"
  fi
}

no_32bit_wine="$(why_no_32bit_wine)"

# The layout first: it takes two seconds, and a tree that is not formatted
# fails the run without building anything.
echo "=== format"
scripts/check-format.sh

for preset in "${presets[@]}"; do
  echo "=== $preset: configure and build"
  start=$SECONDS
  targets=()
  # Where its programs cannot run, the 32-bit build is the DLL alone: its
  # checks read the DLL, and its test programs would never be run.
  [ "$preset" = mingw32 ] && [ -n "$no_32bit_wine" ] && targets=(--target quillet)
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" "${targets[@]}"
  echo "=== $preset: built in $((SECONDS - start)) s"
done

status=0
for preset in "${presets[@]}"; do
  echo "=== $preset: tests"
  start=$SECONDS
  args=()
  if [ "$preset" = mingw32 ]; then
    if [ -n "$no_32bit_wine" ]; then
      echo "32-bit Windows tests skipped: $no_32bit_wine"
      # The checks that read the built DLL without running it still run.
      args=(-L static)
    fi
  fi
  ctest --preset "$preset" -j "$jobs" "${args[@]}" || status=1
  echo "=== $preset: tests took $((SECONDS - start)) s"
done
exit $status
