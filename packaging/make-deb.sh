#!/bin/bash
# Makes the Debian package quillet_<version>-1_<arch>.deb from a built tree
# (CPack's DEB generator over the tree's install rules: nothing is built
# again) and checks it with lintian.
#
#   packaging/make-deb.sh [BUILD_DIR [OUT_DIR]]    (default: build/native, .)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source_dir/build/native}" && pwd)
out=$(mkdir -p "${2:-.}" && cd "${2:-.}" && pwd)

cd "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/quillet_*.deb)
rm -rf "$out/_CPack_Packages"
echo "$deb"
# lintian: errors fail the package, warnings are shown.
lintian --fail-on error "$deb"
