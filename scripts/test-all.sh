#!/usr/bin/env bash
# Builds every preset and runs every test: native, native with the address and
# undefined-behaviour sanitizers, native with the thread sanitizer,
# and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

jobs=$(nproc)
# A failing test program shows only its failures and its summary: the log of
# a long run stays short enough to be read whole.
export GTEST_BRIEF=1
for preset in native native-san native-tsan mingw32; do
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
status=0
for preset in native native-san native-tsan mingw32; do
  echo "=== $preset: tests"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
